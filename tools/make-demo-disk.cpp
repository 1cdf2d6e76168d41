// Builds the demo disk samples/demo.opu from the readable description below:
// a BASIC program with a variables area of every kind, a SCREEN$ drawn here,
// a CODE file, a number array and a character array.
//
// Usage: make-demo-disk OUTPUT

#include <cmath>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "core/Failure.h"
#include "core/FileIO.h"
#include "disk/DiskBuilder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Keyword tokens used below.
enum : std::uint8_t {
    SCREENS = 0xAA,
    AT = 0xAC,
    CHRS = 0xC2,
    THEN = 0xCB,
    TO = 0xCC,
    INK = 0xD9,
    PAPER = 0xDA,
    STOP = 0xE2,
    BORDER = 0xE7,
    REM = 0xEA,
    FOR = 0xEB,
    GOSUB = 0xED,
    LOAD = 0xEF,
    LET = 0xF1,
    NEXT = 0xF3,
    PRINT = 0xF5,
    IF = 0xFA,
    CLS = 0xFB,
    RETURN = 0xFE,
};

void append(Bytes& b, const std::string& text) {
    b.insert(b.end(), text.begin(), text.end());
}

// A 5-byte number: the small-integer form when it fits, else floating point.
Bytes zxNumber(double value) {
    if (value == std::floor(value) && std::fabs(value) <= 65535) {
        const int v = static_cast<int>(value);
        const int stored = v < 0 ? v + 65536 : v;
        return {0x00, static_cast<std::uint8_t>(v < 0 ? 0xFF : 0x00),
                static_cast<std::uint8_t>(stored & 0xFF), static_cast<std::uint8_t>(stored >> 8), 0x00};
    }
    int exponent = 0;
    const double mantissa = std::frexp(std::fabs(value), &exponent);  // 0.5 <= mantissa < 1
    auto bits = static_cast<std::uint32_t>(std::llround(std::ldexp(mantissa, 32)));
    bits &= 0x7FFFFFFFu;  // the implied top bit carries the sign instead
    if (value < 0) {
        bits |= 0x80000000u;
    }
    return {static_cast<std::uint8_t>(exponent + 128), static_cast<std::uint8_t>(bits >> 24),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits)};
}

// A number literal as typed, followed by its hidden binary copy.
void number(Bytes& b, const std::string& typed, double value) {
    append(b, typed);
    b.push_back(0x0E);
    const Bytes n = zxNumber(value);
    b.insert(b.end(), n.begin(), n.end());
}

// A program line: number (big-endian), body length (little-endian), body.
void line(Bytes& program, int lineNumber, Bytes body) {
    body.push_back(0x0D);
    program.push_back(static_cast<std::uint8_t>(lineNumber >> 8));
    program.push_back(static_cast<std::uint8_t>(lineNumber & 0xFF));
    program.push_back(static_cast<std::uint8_t>(body.size() & 0xFF));
    program.push_back(static_cast<std::uint8_t>(body.size() >> 8));
    program.insert(program.end(), body.begin(), body.end());
}

Bytes demoProgram(std::uint16_t& programLength) {
    Bytes p;
    {  // 10 REM Quillmar demo disk
        Bytes b{REM};
        append(b, "Quillmar demo disk");
        line(p, 10, b);
    }
    {  // 20 BORDER 1: PAPER 7: INK 0: CLS
        Bytes b{BORDER};
        number(b, "1", 1);
        append(b, ":");
        b.push_back(PAPER);
        number(b, "7", 7);
        append(b, ":");
        b.push_back(INK);
        number(b, "0", 0);
        append(b, ":");
        b.push_back(CLS);
        line(p, 20, b);
    }
    {  // 30 PRINT AT 2,4;"<INK 2>Hello from the Opus!"
        Bytes b{PRINT, AT};
        number(b, "2", 2);
        append(b, ",");
        number(b, "4", 4);
        append(b, ";\"");
        b.push_back(0x10);  // INK control code inside the string
        b.push_back(0x02);
        append(b, "Hello from the Opus!\"");
        line(p, 30, b);
    }
    {  // 40 FOR i=1 TO 10: PRINT i,i*1.5: NEXT i
        Bytes b{FOR};
        append(b, "i=");
        number(b, "1", 1);
        b.push_back(TO);
        number(b, "10", 10);
        append(b, ":");
        b.push_back(PRINT);
        append(b, "i,i*");
        number(b, "1.5", 1.5);
        append(b, ":");
        b.push_back(NEXT);
        append(b, "i");
        line(p, 40, b);
    }
    {  // 50 LET a$="hello": LET abc=3.14159
        Bytes b{LET};
        append(b, "a$=\"hello\":");
        b.push_back(LET);
        append(b, "abc=");
        number(b, "3.14159", 3.14159);
        line(p, 50, b);
    }
    {  // 60 IF a THEN GOSUB 100
        Bytes b{IF};
        append(b, "a");
        b.push_back(THEN);
        b.push_back(GOSUB);
        number(b, "100", 100);
        line(p, 60, b);
    }
    {  // 70 LOAD "screen"SCREEN$
        Bytes b{LOAD};
        append(b, "\"screen\"");
        b.push_back(SCREENS);
        line(p, 70, b);
    }
    line(p, 80, {STOP});
    {  // 100 PRINT "UDG: ";CHR$ 144: RETURN
        Bytes b{PRINT};
        append(b, "\"UDG: \";");
        b.push_back(CHRS);
        number(b, "144", 144);
        append(b, ":");
        b.push_back(RETURN);
        line(p, 100, b);
    }
    programLength = static_cast<std::uint16_t>(p.size());

    // The variables area, one of every kind.
    const auto numberVar = [&](std::uint8_t first, double value) {
        p.push_back(first);
        const Bytes n = zxNumber(value);
        p.insert(p.end(), n.begin(), n.end());
    };
    numberVar(0x61, 5);                     // a = 5
    p.insert(p.end(), {0x41, 0x05, 0x00});  // a$ = "hello"
    append(p, "hello");
    p.insert(p.end(), {0xA1, 'b', 'c' | 0x80});  // abc = 3.14159
    {
        const Bytes n = zxNumber(3.14159);
        p.insert(p.end(), n.begin(), n.end());
    }
    p.insert(p.end(), {0x82, 0x0D, 0x00, 0x01, 0x02, 0x00});  // b(2) = 1; 2
    for (const double v : {1.0, 2.0}) {
        const Bytes n = zxNumber(v);
        p.insert(p.end(), n.begin(), n.end());
    }
    p.insert(p.end(), {0xC3, 0x06, 0x00, 0x01, 0x03, 0x00, 'x', 'y', 'z'});  // c$(3) = "xyz"
    p.push_back(0xE9);  // FOR i: value 11, limit 10, step 1, loop line 40 statement 2
    for (const double v : {11.0, 10.0, 1.0}) {
        const Bytes n = zxNumber(v);
        p.insert(p.end(), n.begin(), n.end());
    }
    p.insert(p.end(), {40, 0, 2});
    p.push_back(0x80);  // end of the variables area
    return p;
}

// The Spectrum's display file: pixel (x, y) lives at this interleaved address.
std::size_t pixelAddress(int x, int y) {
    return static_cast<std::size_t>(((y & 0xC0) << 5) | ((y & 0x07) << 8) | ((y & 0x38) << 2) | (x >> 3));
}

Bytes demoScreen() {
    Bytes s(6912, 0);
    const auto plot = [&](int x, int y) {
        if (x >= 0 && x < 256 && y >= 0 && y < 192) {
            s[pixelAddress(x, y)] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
        }
    };
    // A ring in the middle, a diagonal and a checkerboard band at the bottom.
    for (int y = 0; y < 192; ++y) {
        for (int x = 0; x < 256; ++x) {
            const double d = std::hypot(x - 128.0, y - 88.0);
            if (d > 56 && d < 72) {
                plot(x, y);
            }
            if (y >= 160 && ((x / 8 + y / 8) % 2 == 0)) {
                plot(x, y);
            }
        }
    }
    for (int i = 0; i < 192; ++i) {
        plot(i + 32, i);
    }
    // Attributes: eight paper colours across, the lower half BRIGHT, and a
    // row of FLASH cells.
    for (int row = 0; row < 24; ++row) {
        for (int col = 0; col < 32; ++col) {
            const int paper = col / 4;
            const int ink = 7 - paper;
            int attr = (paper << 3) | ink;
            if (row >= 12) {
                attr |= 0x40;
            }
            if (row == 22 && col % 2 == 0) {
                attr |= 0x80;
            }
            s[6144 + static_cast<std::size_t>(row * 32 + col)] = static_cast<std::uint8_t>(attr);
        }
    }
    return s;
}

Bytes demoCode() {
    // A tiny routine that prints "QUILLMAR" through ROM RST 16, then its text.
    Bytes c = {
        0x3E, 0x02,        // LD A,2
        0xCD, 0x01, 0x16,  // CALL 5633 (open channel 2)
        0x21, 0x10, 0x80,  // LD HL,32784
        0x7E,              // loop: LD A,(HL)
        0xB7,              // OR A
        0xC8,              // RET Z
        0xD7,              // RST 16
        0x23,              // INC HL
        0x18, 0xF9,        // JR loop
        0x00,
    };
    append(c, "QUILLMAR");
    c.push_back(0x00);
    for (int i = 0; i < 64; ++i) {
        c.push_back(static_cast<std::uint8_t>(i * 7 + 3));
    }
    return c;
}

Bytes demoNumberArray() {
    // DIM n(3,2): dimension count, sizes, then six numbers.
    Bytes a = {0x02, 0x03, 0x00, 0x02, 0x00};
    for (const double v : {1.0, -2.0, 0.5, 1000.0, 3.25, 65535.0}) {
        const Bytes n = zxNumber(v);
        a.insert(a.end(), n.begin(), n.end());
    }
    return a;
}

Bytes demoCharArray() {
    // DIM s$(2,5): "OPUS " and "DISC!".
    Bytes a = {0x02, 0x02, 0x00, 0x05, 0x00};
    append(a, "OPUS DISC!");
    return a;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-demo-disk OUTPUT\n";
        return 2;
    }
    std::uint16_t programLength = 0;
    const Bytes program = demoProgram(programLength);
    const Bytes image = DiskBuilder("QUILLMAR")
                            .filler(0xE5)
                            .addFile("demo", 0, program, 10, programLength)
                            .addFile("screen", 3, demoScreen(), 16384, 0)
                            .addFile("code", 3, demoCode(), 32768, 0)
                            .addFile("numbers", 1, demoNumberArray(), 0x8E00, 0)
                            .addFile("letters", 2, demoCharArray(), 0xD300, 0)
                            .build();
    try {
        writeFileReplacing(argv[1], image);
    } catch (const Failure& f) {
        std::cerr << "make-demo-disk: cannot write " << argv[1] << ": " << f.description() << "\n";
        return 1;
    }
    return 0;
}
