#include "transfer/ExportJob.h"

#include "transfer/ExportFile.h"
#include "transfer/ResultStream.h"

ExportJob::ExportJob(ConnectionWork& work)
    : work_(work), scope_(work, ConnectionWork::Kind::Transfer),
      registration_(work, [this] { stop(); })
{
}

void ExportJob::onConnection(const std::function<void()>& job)
{
    work_.run(ConnectionWork::Kind::Transfer, job);
}

void ExportJob::rowsHanded(std::int64_t rows)
{
    if (progress)
        progress(rows);
}

std::optional<ExportOutcome::End> ExportJob::endBeforeTheLastRow(bool allHanded,
                                                                 const StreamOutcome* stream,
                                                                 ExportOutcome& out) const
{
    // A stop cancels the driver's call as well, which may end the fetch with an error.
    const bool failedFetch = stream != nullptr && stream->fetchStatus != 0;
    if (!allHanded || (stream != nullptr && stream->cancelled) || (failedFetch && stopRequested()))
        return ExportOutcome::End::Stopped;
    if (!failedFetch)
        return std::nullopt;
    out.fetchStatus = stream->fetchStatus;
    out.fetchError = stream->fetchError;
    return ExportOutcome::End::FetchFailed;
}

ExportOutcome ExportJob::run(RowSource& source, RowSink& sink)
{
    ExportOutcome out;
    out.path = sink.path();
    const QStringList names = source.names();
    const ColumnKinds kinds = source.kinds();
    bool opened = false;
    onConnection([&] { opened = sink.open(names, kinds); });
    if (!opened) {
        out.end = ExportOutcome::End::NotOpened;
        out.errorText = sink.errorText();
        return out;
    }
    const bool allHanded = source.pass(*this, sink);
    const std::optional<ExportOutcome::End> early =
        endBeforeTheLastRow(allHanded, source.stream(), out);
    bool closed = false;
    onConnection([&] { closed = sink.close(); });
    sink.handOver();
    out.rows = sink.rows();
    out.replaced = sink.replacedValues();
    if (!closed) {
        out.end = ExportOutcome::End::WriteFailed;
        out.errorText = sink.errorText();
    } else if (early) {
        out.end = *early;
    }
    // A file that does not hold every row must not look complete under the chosen name.
    if (out.end != ExportOutcome::End::Complete && !out.path.isEmpty())
        out.path = keepAsPartial(out.path);
    rowsHanded(out.rows);
    return out;
}
