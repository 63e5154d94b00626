#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Code page 936 (GBK): the encoding of the quote service's replies and of the
// watch-list files. Bytes that are not valid GBK decode to U+FFFD; characters
// GBK cannot hold encode to "?".
namespace gbk {

QString decode(QByteArrayView bytes);
// complete, when given, tells whether every character had a GBK form.
QByteArray encode(QStringView text, bool* complete = nullptr);

// False when this Qt has no GBK codec (built without ICU): nothing would decode.
bool available();

} // namespace gbk
