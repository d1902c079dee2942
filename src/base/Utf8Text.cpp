#include "base/Utf8Text.h"

#include <QStringDecoder>

QString textFromUtf8(std::string_view utf8)
{
    // Stateless: each call starts afresh, so one decoder serves every call of the thread.
    thread_local QStringDecoder decoder(QStringDecoder::Utf8,
                                        QStringDecoder::Flag::Stateless |
                                            QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
}
