#include "app/CommandStates.h"

CommandStates deriveCommandStates(const CommandInputs& in)
{
    CommandStates out;
    // While work runs, nothing may use or change the connection; only stop (and exit) remain.
    const bool idle = !in.busy;
    const bool usable = in.open && idle;
    const auto set = [&out](std::initializer_list<const char*> names, bool on) {
        for (const char* name : names)
            out.enabled.emplace_back(QLatin1String(name), on);
    };
    set({"mn_connect", "tb_connect"}, !in.open && idle);
    set({"mn_disconnect", "tb_discon"}, usable);
    set({"mn_reconnect"}, !in.open && idle && in.canReconnect);
    set({"mn_sql_go", "tb_go", "mn_sql_commit", "tb_ok", "mn_sql_rollback", "tb_ng"}, usable);
    set({"mn_sql_stop", "tb_stop"}, in.busy);
    set({"mn_sql_undo", "tb_undo"}, usable && in.canUndo);
    set({"mn_out_select", "mn_inp_csv", "tb_inst", "mn_get_tables"}, usable);
    set({"mn_out_rest", "mn_LV_out_rest"}, usable && in.restOpen);
    set({"mn_grid_apply"}, usable && in.edits);
    set({"mn_grid_discard"}, idle && in.edits);
    // The tree popup's entries that read the catalog or run a statement.
    set({"mn_copy_allcols", "mn_disp_cols", "mn_quick_sqlstmt_0"}, usable);
    // The grid can be saved after a disconnect, but not while a run refills it.
    set({"mn_out_csv", "tb_save"}, idle);
    out.treeEnabled = idle;
    out.runEnabled = usable;
    out.connectPressed = in.open;
    out.disconPressed = !in.open;
    return out;
}
