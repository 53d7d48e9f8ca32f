#include "Haval.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <openssl/crypto.h>

namespace {

using Word = std::uint32_t;
using State = std::array<Word, 8>;

constexpr int Passes = 5;
constexpr int StepsPerPass = 32;
constexpr std::size_t LengthFieldOffset = 118; // version/pass/length byte pair, then the 64-bit length

// The first 256 bits of the fraction of pi.
constexpr State InitialState
    = {0x243F6A88, 0x85A308D3, 0x13198A2E, 0x03707344, 0xA4093822, 0x299F31D0, 0x082EFA98, 0xEC4E6C89};

// The order in which each pass reads the 32 message words of a block.
constexpr std::uint8_t WordOrder[Passes][StepsPerPass] = {
    {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
     16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31},
    {5,  14, 26, 18, 11, 28, 7,  16, 0,  23, 20, 22, 1, 10, 4,  8,
     30, 3,  21, 9,  17, 24, 29, 6,  19, 12, 15, 13, 2, 25, 31, 27},
    {19, 9,  4, 20, 28, 17, 8,  22, 29, 14, 25, 12, 24, 30, 16, 26,
     31, 15, 7, 3,  1,  0,  18, 27, 13, 6,  21, 10, 23, 11, 5,  2},
    {24, 4,  0,  14, 2, 7,  28, 23, 26, 6,  30, 20, 18, 25, 19, 3,
     22, 11, 31, 21, 8, 27, 12, 9,  1,  29, 5,  15, 17, 10, 16, 13},
    {27, 3, 21, 26, 17, 11, 20, 29, 19, 0,  12, 7,  13, 8, 31, 10,
     5,  9, 14, 30, 18, 6,  28, 24, 2,  23, 16, 22, 4,  1, 25, 15},
};

// The step constants of passes 2 to 5: the 128 words of the fraction of pi that follow
// the initial state (pass 1 adds none).
constexpr Word StepConstant[Passes - 1][StepsPerPass] = {
    {0x452821E6, 0x38D01377, 0xBE5466CF, 0x34E90C6C, 0xC0AC29B7, 0xC97C50DD, 0x3F84D5B5, 0xB5470917,
     0x9216D5D9, 0x8979FB1B, 0xD1310BA6, 0x98DFB5AC, 0x2FFD72DB, 0xD01ADFB7, 0xB8E1AFED, 0x6A267E96,
     0xBA7C9045, 0xF12C7F99, 0x24A19947, 0xB3916CF7, 0x0801F2E2, 0x858EFC16, 0x636920D8, 0x71574E69,
     0xA458FEA3, 0xF4933D7E, 0x0D95748F, 0x728EB658, 0x718BCD58, 0x82154AEE, 0x7B54A41D, 0xC25A59B5},
    {0x9C30D539, 0x2AF26013, 0xC5D1B023, 0x286085F0, 0xCA417918, 0xB8DB38EF, 0x8E79DCB0, 0x603A180E,
     0x6C9E0E8B, 0xB01E8A3E, 0xD71577C1, 0xBD314B27, 0x78AF2FDA, 0x55605C60, 0xE65525F3, 0xAA55AB94,
     0x57489862, 0x63E81440, 0x55CA396A, 0x2AAB10B6, 0xB4CC5C34, 0x1141E8CE, 0xA15486AF, 0x7C72E993,
     0xB3EE1411, 0x636FBC2A, 0x2BA9C55D, 0x741831F6, 0xCE5C3E16, 0x9B87931E, 0xAFD6BA33, 0x6C24CF5C},
    {0x7A325381, 0x28958677, 0x3B8F4898, 0x6B4BB9AF, 0xC4BFE81B, 0x66282193, 0x61D809CC, 0xFB21A991,
     0x487CAC60, 0x5DEC8032, 0xEF845D5D, 0xE98575B1, 0xDC262302, 0xEB651B88, 0x23893E81, 0xD396ACC5,
     0x0F6D6FF3, 0x83F44239, 0x2E0B4482, 0xA4842004, 0x69C8F04A, 0x9E1F9B5E, 0x21C66842, 0xF6E96C9A,
     0x670C9C61, 0xABD388F0, 0x6A51A0D2, 0xD8542F68, 0x960FA728, 0xAB5133A3, 0x6EEF0B6C, 0x137A3BE4},
    {0xBA3BF050, 0x7EFB2A98, 0xA1F1651D, 0x39AF0176, 0x66CA593E, 0x82430E88, 0x8CEE8619, 0x456F9FB4,
     0x7D84A5C3, 0x3B8B5EBE, 0xE06F75D8, 0x85C12073, 0x401A449F, 0x56C16AA6, 0x4ED3AA62, 0x363F7706,
     0x1BFEDF72, 0x429B023D, 0x37D0D724, 0xD00A1248, 0xDB0FEAD3, 0x49F1C09B, 0x075372C9, 0x80991B7B,
     0x25D479D8, 0xF6E8DEF7, 0xE3FE501A, 0xB6794C3B, 0x976CE0BD, 0x04C006BA, 0xC1A94FB6, 0x409F60C4},
};

// The five boolean functions, arguments in the order x6 ... x0, written as their sums of
// products (AND for product, XOR for sum).
Word f1(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0)
{
    return (x1 & x4) ^ (x2 & x5) ^ (x3 & x6) ^ (x0 & x1) ^ x0;
}

Word f2(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0)
{
    return (x1 & x2 & x3) ^ (x2 & x4 & x5) ^ (x1 & x2) ^ (x1 & x4) ^ (x2 & x6) ^ (x3 & x5) ^ (x4 & x5) ^ (x0 & x2) ^ x0;
}

Word f3(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0)
{
    return (x1 & x2 & x3) ^ (x1 & x4) ^ (x2 & x5) ^ (x3 & x6) ^ (x0 & x3) ^ x0;
}

Word f4(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0)
{
    return (x1 & x2 & x3) ^ (x2 & x4 & x5) ^ (x3 & x4 & x6) ^ (x1 & x4) ^ (x2 & x6) ^ (x3 & x4) ^ (x3 & x5) ^ (x3 & x6)
        ^ (x4 & x5) ^ (x4 & x6) ^ (x0 & x4) ^ x0;
}

Word f5(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0)
{
    return (x1 & x4) ^ (x2 & x5) ^ (x3 & x6) ^ (x0 & x1 & x2 & x3) ^ (x0 & x5) ^ x0;
}

// One pass's function after its 5-pass permutation of the inputs: t[i] is the register
// word x_i, and each row names the registers fed to the function as its x6 ... x0.
Word permutedFunction(int pass, const State &t)
{
    switch (pass) {
    case 0:
        return f1(t[3], t[4], t[1], t[0], t[5], t[2], t[6]);
    case 1:
        return f2(t[6], t[2], t[1], t[0], t[3], t[4], t[5]);
    case 2:
        return f3(t[2], t[6], t[0], t[4], t[3], t[1], t[5]);
    case 3:
        return f4(t[1], t[5], t[3], t[2], t[0], t[4], t[6]);
    default:
        return f5(t[2], t[5], t[0], t[6], t[4], t[3], t[1]);
    }
}

Word loadLittleEndian(const unsigned char *p)
{
    return Word(p[0]) | (Word(p[1]) << 8) | (Word(p[2]) << 16) | (Word(p[3]) << 24);
}

// The working words of one compression; wiped when it ends, because while the key is
// derived they are a function of the passphrase.
struct Workspace
{
    State registers {};
    std::array<Word, 32> words {};
    ~Workspace() { OPENSSL_cleanse(this, sizeof(*this)); }
};

void compress(State &state, const unsigned char *block)
{
    Workspace w;
    for (std::size_t i = 0; i < w.words.size(); ++i)
        w.words[i] = loadLittleEndian(block + 4 * i);
    w.registers = state;
    State &t = w.registers;
    for (int pass = 0; pass < Passes; ++pass) {
        for (int step = 0; step < StepsPerPass; ++step) {
            const Word k = pass == 0 ? 0 : StepConstant[pass - 1][step];
            const Word r
                = std::rotr(permutedFunction(pass, t), 7) + std::rotr(t[7], 11) + w.words[WordOrder[pass][step]] + k;
            // The register shifts by one word: the oldest drops out, the new word is x0.
            for (int i = 7; i > 0; --i)
                t[i] = t[i - 1];
            t[0] = r;
        }
    }
    for (std::size_t i = 0; i < state.size(); ++i)
        state[i] += t[i];
}

void storeState(const State &state, unsigned char *out)
{
    for (std::size_t i = 0; i < state.size(); ++i) {
        for (int b = 0; b < 4; ++b)
            out[4 * i + b] = static_cast<unsigned char>(state[i] >> (8 * b));
    }
}

struct DigestWorkspace
{
    State state = InitialState;
    unsigned char tail[Haval::BlockSize] {};
    ~DigestWorkspace() { OPENSSL_cleanse(this, sizeof(*this)); }
};

} // namespace

namespace Haval {

void digest256Pass5(const unsigned char *message, std::size_t size, unsigned char (&digest)[DigestSize],
                    unsigned char paddingByte)
{
    DigestWorkspace w;
    const std::size_t wholeBlocks = size / BlockSize;
    for (std::size_t i = 0; i < wholeBlocks; ++i)
        compress(w.state, message + i * BlockSize);

    const std::size_t rest = size % BlockSize;
    if (rest > 0)
        std::memcpy(w.tail, message + wholeBlocks * BlockSize, rest);
    w.tail[rest] = paddingByte;
    if (rest + 1 > LengthFieldOffset) {
        // No room left for the trailer: this block goes as it is, the trailer gets its own.
        compress(w.state, w.tail);
        std::memset(w.tail, 0, sizeof(w.tail));
    }
    // Version 1 and 5 passes in the low bits, then the digest length in bits (256) spread
    // over the rest of the byte pair.
    w.tail[LengthFieldOffset] = 0x29;
    w.tail[LengthFieldOffset + 1] = 0x40;
    const std::uint64_t bits = static_cast<std::uint64_t>(size) * 8;
    for (int b = 0; b < 8; ++b)
        w.tail[120 + b] = static_cast<unsigned char>(bits >> (8 * b));
    compress(w.state, w.tail);
    storeState(w.state, digest);
}

QByteArray digest256Pass5(const QByteArray &message, unsigned char paddingByte)
{
    unsigned char digest[DigestSize];
    digest256Pass5(reinterpret_cast<const unsigned char *>(message.constData()),
                   static_cast<std::size_t>(message.size()), digest, paddingByte);
    const QByteArray result(reinterpret_cast<const char *>(digest), DigestSize);
    OPENSSL_cleanse(digest, sizeof(digest));
    return result;
}

QByteArray compress256Pass5(const QByteArray &paddedBlocks)
{
    const auto size = static_cast<std::size_t>(paddedBlocks.size());
    if (size == 0 || size % BlockSize != 0)
        return {};
    State state = InitialState;
    const auto *data = reinterpret_cast<const unsigned char *>(paddedBlocks.constData());
    for (std::size_t offset = 0; offset < size; offset += BlockSize)
        compress(state, data + offset);
    QByteArray result(DigestSize, Qt::Uninitialized);
    storeState(state, reinterpret_cast<unsigned char *>(result.data()));
    return result;
}

} // namespace Haval
