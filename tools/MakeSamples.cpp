// Writes the bundled sample disks into a folder: a handful of D64 images with
// small real 6502 programs, SEQ text, a locked file, a deleted entry, a
// 40-track image and one with error bytes.  Everything is made here.
#include "tools/D64Builder.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using dyskel::D64Builder;
using Bytes = std::vector<std::uint8_t>;

namespace {

// "10 SYS2061" as it lies in memory from $0801: the BASIC line that starts
// the machine code right behind it.
Bytes BasicSys2061() {
    return {0x0B, 0x08, 0x0A, 0x00, 0x9E, '2', '0', '6', '1', 0x00, 0x00, 0x00};
}

Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Prints a message through the KERNAL's CHROUT and returns to BASIC.
Bytes HelloProgram(const std::string& text) {
    Bytes code = {
        0xA2, 0x00,       // 080D  LDX #$00
        0xBD, 0x1B, 0x08, // 080F  LDA $081B,X
        0xF0, 0x06,       // 0812  BEQ +$06 (to 081A)
        0x20, 0xD2, 0xFF, // 0814  JSR $FFD2
        0xE8,             // 0817  INX
        0xD0, 0xF5,       // 0818  BNE +$F5 (to 080F)
        0x60,             // 081A  RTS
    };
    for (char c : text) code.push_back(static_cast<std::uint8_t>(c));
    code.push_back(0x0D);
    code.push_back(0x00);
    return Join(BasicSys2061(), code);
}

// Cycles the border colour until a key is pressed.
Bytes BorderProgram() {
    Bytes code = {
        0x78,             // 080D  SEI
        0xEE, 0x20, 0xD0, // 080E  INC $D020
        0xA5, 0xC6,       // 0811  LDA $C6 (keys waiting)
        0xF0, 0xF9,       // 0813  BEQ +$F9 (to 080E)
        0xA9, 0x00,       // 0815  LDA #$00
        0x85, 0xC6,       // 0817  STA $C6
        0x58,             // 0819  CLI
        0x60,             // 081A  RTS
    };
    return Join(BasicSys2061(), code);
}

// Fills the screen with a character and its colour RAM with a rainbow.
Bytes ScreenFillProgram() {
    Bytes code = {
        0xA2, 0x00,       // 080D  LDX #$00
        0xA9, 0x51,       // 080F  LDA #$51 (ball)
        0x9D, 0x00, 0x04, // 0811  STA $0400,X
        0x9D, 0x00, 0x05, // 0814  STA $0500,X
        0x9D, 0x00, 0x06, // 0817  STA $0600,X
        0x9D, 0xE8, 0x06, // 081A  STA $06E8,X
        0x8A,             // 081D  TXA
        0x29, 0x0F,       // 081E  AND #$0F
        0x9D, 0x00, 0xD8, // 0820  STA $D800,X
        0x9D, 0x00, 0xD9, // 0823  STA $D900,X
        0x9D, 0x00, 0xDA, // 0826  STA $DA00,X
        0x9D, 0xE8, 0xDA, // 0829  STA $DAE8,X
        0xE8,             // 082C  INX
        0xD0, 0xE0,       // 082D  BNE +$E0 (to 080F)
        0x60,             // 082F  RTS
    };
    return Join(BasicSys2061(), code);
}

// A sine table of 256 bytes at $C000 behind a short routine that copies it.
Bytes SineTable() {
    Bytes code = {
        0xA0, 0x00,       // C000  LDY #$00
        0xB9, 0x10, 0xC0, // C002  LDA $C010,Y
        0x99, 0x00, 0xC1, // C005  STA $C100,Y
        0xC8,             // C008  INY
        0xD0, 0xF7,       // C009  BNE +$F7 (to C002)
        0x60,             // C00B  RTS
        0xEA, 0xEA, 0xEA, 0xEA,
    };
    for (int i = 0; i < 256; ++i)
        code.push_back(static_cast<std::uint8_t>(std::lround(127.5 + 127.5 * std::sin(i * 2 * M_PI / 256))));
    Bytes out = {0x00, 0xC0};
    return Join(out, code);
}

// A long program: the routines above repeated, with padding data between, so
// that the listing runs over many blocks.
Bytes LongProgram(std::size_t size) {
    Bytes out = {0x00, 0x10}; // load at $1000
    const Bytes pieces[] = {HelloProgram("DYSKEL"), BorderProgram(), ScreenFillProgram()};
    std::size_t i = 0;
    while (out.size() < size) {
        const Bytes& p = pieces[i++ % 3];
        out.insert(out.end(), p.begin() + 12, p.end());
        for (int k = 0; k < 20 && out.size() < size; ++k) out.push_back(static_cast<std::uint8_t>(k * 13));
    }
    out.resize(size);
    return out;
}

Bytes Text(const std::string& s) {
    Bytes b;
    for (char c : s) b.push_back(c == '\n' ? 0x0D : static_cast<std::uint8_t>(c));
    return b;
}

bool Save(const D64Builder& d, const std::filesystem::path& folder, const char* name) {
    bool ok = d.Save((folder / name).string());
    if (!ok) std::fprintf(stderr, "make-samples: cannot write %s\n", (folder / name).c_str());
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-samples FOLDER\n");
        return 2;
    }
    std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    bool ok = true;

    // The demo disk: programs, text, a locked file, a deleted entry.
    {
        D64Builder d("DYSKEL DEMO", "DY");
        d.AddPrg("HELLO", 0x0801, HelloProgram("HELLO, DYSKEL!"));
        d.AddPrg("BORDER", 0x0801, BorderProgram());
        d.AddPrg("SCREEN FILL", 0x0801, ScreenFillProgram(), true);
        d.AddFile("SINE TABLE", 0x82, SineTable());
        d.AddFile("README", 0x81,
                  Text("THIS DISK WAS MADE BY DYSKEL'S OWN\nIMAGE BUILDER. TRY THE 6502 PAGE ON\n"
                       "HELLO AND SINE TABLE, OR FOLLOW THE\nLINKS WITH T->.\n"));
        d.AddFile("OLD NOTES", 0x80, Text("SCRATCHED.\n"));
        d.AddFile("USER DATA", 0x83, Text("USR FILES HOLD WHATEVER A PROGRAM WANTS.\n"));
        d.AddFile("BIG PROGRAM", 0x82, LongProgram(30 * 254));
        ok &= Save(d, folder, "DEMO.D64");
    }
    // A games-style disk with a directory over several blocks.
    {
        D64Builder d("GAMES", "01");
        const char* names[] = {"ASTEROID RUN", "BALLOON", "CAVE",     "DUNGEON",    "EGG HUNT", "FROGGER II",
                               "GALAXY",       "HANGMAN", "INVADERS", "JUMPMAN JR", "KARATE"};
        int n = 0;
        for (const char* name : names)
            d.AddFile(name, 0x82, LongProgram(static_cast<std::size_t>(2 + (n++ * 7) % 40) * 254));
        d.AddFile("HISCORES", 0x81, Text("AAA 10000\nBBB 5000\nCCC 2500\n"));
        ok &= Save(d, folder, "GAMES.D64");
    }
    // A 40-track disk with a file that reaches past track 35.
    {
        D64Builder d("FORTY TRACKS", "40", 40);
        d.AddFile("FAR AWAY", 0x82, LongProgram(3 * 254), {{36, 0}, {38, 5}, {40, 16}});
        d.AddPrg("NEAR", 0x0801, HelloProgram("NEAR"));
        ok &= Save(d, folder, "FORTY.D64");
    }
    // A disk with error bytes and the soft write protection set.
    {
        D64Builder d("ERRORS", "ER", 35, true);
        d.AddPrg("SURVIVOR", 0x0801, BorderProgram());
        d.Header()[2] = 'B';
        d.Bytes()[174848 + 357 + 5] = 0x05; // a checksum error on 18/5
        ok &= Save(d, folder, "ERRORS.D64");
    }
    // A disk flagged double-sided, in a lower-case file name.
    {
        D64Builder d("DOUBLE SIDED", "DS");
        d.Header()[3] = 0x80;
        d.AddFile("NOTE", 0x81, Text("THE HEADER SAYS 1571.\n"));
        ok &= Save(d, folder, "twosides.d64");
    }
    return ok ? 0 : 1;
}
