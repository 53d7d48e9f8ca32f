#pragma once

#include <QByteArray>

// HAVAL with 5 passes and a 256-bit digest. The store's key derivation pads with 0x80;
// the published algorithm pads with 0x01, which tests select to check the core.
namespace Haval {

QByteArray digest256Pass5(const QByteArray &message, unsigned char paddingByte = 0x80);

} // namespace Haval
