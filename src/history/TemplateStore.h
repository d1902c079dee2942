#pragma once

#include "history/ClassSQL.h"
#include "text/CodePage.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

// The SQL templates without their window: the list in the order of the template window's
// combo list (by entry text, ignoring letter case), the file SQLTMPL.TXT and the changed flag.
class TemplateStore {
public:
    explicit TemplateStore(QString filePath);

    // ReadTmpl: the templates of the file, in list order. False when the file exists but cannot
    // be read: the list is then empty and save() refuses to replace the file.
    bool read();
    // SaveTmpl: every template, in list order, replacing the file. The file stays code page 932
    // while every template survives it exactly, else it is written whole as UTF-8 with a
    // byte-order mark; a UTF-8 file stays UTF-8. Templates read from the file and not changed
    // are written as the bytes they were read from, so bytes that are not text are kept. False
    // when the write failed or was refused.
    bool save() const;
    bool Changed() const { return changed_; }

    // Adds a template at its sorted place and returns that index. A TAB or line break in the
    // title becomes a space: the first TAB of a record ends its title.
    int add(ClassSQL entry);
    // Removes the template at index (nothing for an index out of range).
    void remove(int index);
    const QList<ClassSQL>& templates() const { return templates_; }

    // The combo entry of a template: "【title】" and the text on one line.
    static QString entryText(const ClassSQL& entry);
    static QString cleanTitle(QString title);

    // Cursor methods of the input area; Next walks down the list, Back up it.
    QString GetTempCurr(std::int16_t& temp_no) const;
    QString GetTempNext(std::int16_t& temp_no) const;
    QString GetTempBack(std::int16_t& temp_no) const;
    int GetTempNum() const { return static_cast<int>(templates_.size()); }

private:
    int insertSorted(const ClassSQL& entry);
    QString statementAt(std::int16_t pos) const;

    QString path_;
    QList<ClassSQL> templates_;
    // Parallel to templates_: the record's bytes as read, empty for a template added since.
    QList<QByteArray> stored_;
    codepage::FileCoding coding_ = codepage::FileCoding::Cp932;
    bool readFailed_ = false;
    bool changed_ = false;
};
