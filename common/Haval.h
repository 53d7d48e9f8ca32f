#pragma once

#include <QByteArray>

#include <cstddef>

// HAVAL with 5 passes and a 256-bit digest. The store's key derivation pads with 0x80;
// the published algorithm pads with 0x01, which tests select to check the core.
namespace Haval {

constexpr std::size_t DigestSize = 32;
constexpr std::size_t BlockSize = 128;

QByteArray digest256Pass5(const QByteArray &message, unsigned char paddingByte = 0x80);

// The same digest written into the caller's buffer, so key material never has to live
// in an implicitly shared container. Every internal buffer is wiped before returning.
void digest256Pass5(const unsigned char *message, std::size_t size, unsigned char (&digest)[DigestSize],
                    unsigned char paddingByte = 0x80);

// The compression alone: whole 128-byte blocks, already padded by the caller, run from
// the initial state; the result is the state as a digest. Anything that is not a whole
// number of blocks gives an empty result. Lets the padding be checked on its own.
QByteArray compress256Pass5(const QByteArray &paddedBlocks);

} // namespace Haval
