#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

// Catches what the program hands to the desktop's opener for some URL schemes, so that tests
// see the document without a browser being started.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    explicit UrlRecorder(std::initializer_list<const char*> schemes)
    {
        for (const char* s : schemes) {
            schemes_.append(QString::fromLatin1(s));
            QDesktopServices::setUrlHandler(schemes_.last(), this, "open");
        }
    }
    ~UrlRecorder() override
    {
        for (const QString& s : schemes_)
            QDesktopServices::unsetUrlHandler(s);
    }

    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }

private:
    QStringList schemes_;
};
