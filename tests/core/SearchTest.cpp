// Searching folders of images: wildcards on PETSCII names, SHA-1, content
// matches across disks, duplicates, stopping, the index (kept and pruned) and
// broken images.
#include "core/Search.h"
#include "CoreTestSupport.h"
#include "core/FactsCache.h"
#include "index/SqliteIndex.h"
#include "tools/D64Builder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <utime.h>

namespace dyskel {
namespace {

using test::TempDir;
using Bytes = std::vector<std::uint8_t>;

struct PatternRow {
    const char* pattern;
    const char* name; // raw name bytes
    bool match;
};
constexpr PatternRow PatternRows[] = {
    {"HELLO", "HELLO", true},
    {"HELLO", "HELLO2", false},
    {"HEL*", "HELLO", true},
    {"*", "", true},
    {"H?LLO", "HALLO", true},
    {"H?LLO", "HLLO", false},
    {"*LO", "HELLO", true},
    {"*LO", "HELLO!", false},
    {"A*B*C", "AXXBYC", true},
    {"A*B*C", "AXXCYB", false},
    {"hello", "HELLO", false},
    {"?", "\xC1", true},
    {"\xC1"
     "BC",
     "\xC1"
     "BC",
     true},
    {"ABC",
     "\xC1"
     "BC",
     false},
    {"*\xA0", "A\xA0", true},
    {"**X", "X", true},
    {"?*", "", false},
    {"", "", true},
};
class Pattern : public ::testing::TestWithParam<PatternRow> {};
TEST_P(Pattern, MatchesNameBytesAsTheDriveDoes) {
    EXPECT_EQ(MatchC64Pattern(GetParam().pattern, GetParam().name), GetParam().match)
        << GetParam().pattern << " / " << GetParam().name;
}
INSTANTIATE_TEST_SUITE_P(Table, Pattern, ::testing::ValuesIn(PatternRows));

// The test vectors of FIPS 180-2, appendix A, and the empty message (as
// sha1sum gives them).
struct ShaRow {
    const char* text;
    const char* hex;
};
constexpr ShaRow ShaRows[] = {
    {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
};
class Sha1Vectors : public ::testing::TestWithParam<ShaRow> {};
TEST_P(Sha1Vectors, DigestOfTheMessage) {
    const std::string t = GetParam().text;
    EXPECT_EQ(Sha1Hex(Sha1Of(reinterpret_cast<const std::uint8_t*>(t.data()), t.size())), GetParam().hex);
}
INSTANTIATE_TEST_SUITE_P(Fips, Sha1Vectors, ::testing::ValuesIn(ShaRows));

TEST(Sha1Vectors, MillionAsFedInPieces) {
    Sha1 sha;
    const std::string a(1000, 'a');
    for (int i = 0; i < 1000; ++i) sha.Add(reinterpret_cast<const std::uint8_t*>(a.data()), a.size());
    EXPECT_EQ(Sha1Hex(sha.Finish()), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

// 600 data bytes: three blocks of a chain (254 + 254 + 92).
Bytes Payload() {
    Bytes b(600);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 7);
    return b;
}

class SearchTree : public ::testing::Test {
  protected:
    void SetUp() override {
        // A.D64: the payload as GAME at the first free blocks.
        D64Builder a("ALPHA", "01");
        a.AddFile("GAME", 0x82, Payload());
        a.AddPrg("INTRO", 0x0801, {1, 2, 3});
        ASSERT_TRUE(a.Save(dir.File("A.D64")));
        // sub/B.d64: the same bytes as COPY, second entry, on tracks 20 and 30.
        std::filesystem::create_directory(dir.File("sub"));
        D64Builder b("BETA", "02");
        b.AddFile("NOTES", 0x81, {9, 9, 9});
        b.AddFile("COPY", 0x82, Payload(), {{20, 3}, {30, 11}, {20, 0}});
        ASSERT_TRUE(b.Save(dir.File("sub/B.d64")));
        // sub/C.D64: B's files at other places and under another label.
        D64Builder c("GAMMA", "03");
        c.AddFile("COPY", 0x82, Payload(), {{5, 5}, {6, 6}, {7, 7}});
        c.AddFile("NOTES", 0x81, {9, 9, 9});
        ASSERT_TRUE(c.Save(dir.File("sub/C.D64")));
    }

    struct Found {
        std::vector<std::string> hits; // "path-in-tree #number NAME"
        std::vector<std::string> notes;
        SearchStats stats;
    };
    Found Search(SearchQuery q, const std::atomic<bool>* cancel = nullptr) {
        Found f;
        if (q.folders.empty()) q.folders = {dir.Path()};
        SearchEvents ev;
        ev.hit = [&](const SearchHit& h) {
            f.hits.push_back(h.path.substr(dir.Path().size() + 1) + " #" + std::to_string(h.number) + " " +
                             h.entry.Name());
        };
        ev.note = [&](const std::string& path, const std::string&) { f.notes.push_back(path); };
        f.stats = SearchImages(q, ev, cancel, cache.get());
        return f;
    }
    void OpenCache() {
        auto opened = OpenSqliteIndex(dir.File("cache/index.sqlite"));
        ASSERT_TRUE(opened) << opened.Error();
        cache = std::make_unique<FactsCache>(std::move(*opened));
    }

    TempDir dir;
    std::unique_ptr<FactsCache> cache;
};

using Hits = std::vector<std::string>;

TEST_F(SearchTree, NameLabelTypeAndSizeEachNarrowTheHits) {
    SearchQuery q;
    q.name = "*O*";
    q.recursive = true;
    EXPECT_EQ(Search(q).hits, (Hits{"A.D64 #2 INTRO", "sub/B.d64 #1 NOTES", "sub/B.d64 #2 COPY",
                                    "sub/C.D64 #1 COPY", "sub/C.D64 #2 NOTES"}));
    q.recursive = false;
    EXPECT_EQ(Search(q).hits, (Hits{"A.D64 #2 INTRO"}));
    q = {};
    q.recursive = true;
    q.label = "?ETA";
    EXPECT_EQ(Search(q).hits, (Hits{"sub/B.d64 #1 NOTES", "sub/B.d64 #2 COPY"}));
    q.label.reset();
    q.type = 1; // SEQ
    EXPECT_EQ(Search(q).hits, (Hits{"sub/B.d64 #1 NOTES", "sub/C.D64 #2 NOTES"}));
    q.type.reset();
    q.minBlocks = 2;
    q.maxBlocks = 3;
    EXPECT_EQ(Search(q).hits, (Hits{"A.D64 #1 GAME", "sub/B.d64 #2 COPY", "sub/C.D64 #1 COPY"}));
}

TEST_F(SearchTree, SameFileFoundByItsBytesWhereverItLies) {
    const Bytes payload = Payload();
    dir.Write("game.prg", payload);
    Result<Sha1Digest> hash = HostFileSha1(dir.File("game.prg"));
    ASSERT_TRUE(hash);
    SearchQuery q;
    q.recursive = true;
    q.sameAs = *hash;
    EXPECT_EQ(Search(q).hits, (Hits{"A.D64 #1 GAME", "sub/B.d64 #2 COPY", "sub/C.D64 #1 COPY"}));
}

TEST_F(SearchTree, DuplicateFilesAndDisksWhateverTheirLayout) {
    DuplicateGroups g = FindDuplicates({dir.Path()}, true, {});
    ASSERT_EQ(g.files.size(), 2u);
    Hits first;
    for (const SearchHit& h : g.files[0]) first.push_back(h.path.substr(dir.Path().size() + 1));
    EXPECT_EQ(first, (Hits{"A.D64", "sub/B.d64", "sub/C.D64"}));
    EXPECT_EQ(g.files[1].size(), 2u); // NOTES on B and C
    ASSERT_EQ(g.disks.size(), 1u);
    EXPECT_EQ(g.disks[0], (Hits{dir.File("sub/B.d64"), dir.File("sub/C.D64")}));
}

TEST_F(SearchTree, StopsWhenAskedAndSaysSo) {
    std::atomic<bool> cancel = false;
    SearchQuery q;
    q.folders = {dir.Path()};
    q.recursive = true;
    SearchEvents ev;
    int hits = 0;
    ev.hit = [&](const SearchHit&) { ++hits; };
    ev.progress = [&](std::size_t done, std::size_t) { cancel = done == 1; };
    SearchStats stats = SearchImages(q, ev, &cancel);
    EXPECT_TRUE(stats.cancelled);
    EXPECT_EQ(stats.images, 1u);
    EXPECT_EQ(hits, 2); // A.D64's two entries only
}

// Cut after its first directory block: listed, as with a search by content.
TEST_F(SearchTree, ImageCutInsideTrack18IsListedFromTheBlocksItHolds) {
    Bytes cut = dir.Read("A.D64");
    cut.resize(91392 + 512);
    dir.Write("CUT.D64", cut);
    SearchQuery q;
    q.name = "GAME";
    EXPECT_EQ(Search(q).hits, (Hits{"A.D64 #1 GAME", "CUT.D64 #1 GAME"}));
}

TEST_F(SearchTree, BrokenImageIsSkippedWithANote) {
    dir.Write("BAD.D64", Bytes(1000, 0x55));
    SearchQuery q;
    q.name = "GAME";
    Found f = Search(q);
    EXPECT_EQ(f.hits, (Hits{"A.D64 #1 GAME"}));
    EXPECT_EQ(f.notes, (Hits{dir.File("BAD.D64")}));
    EXPECT_EQ(f.stats.skipped, 1u);
}

// How an image changes between two searches.
enum class Change { Nothing, TimeOnly, Size };
struct CacheRow {
    const char* label;
    Change change;
    std::size_t readAgain; // images read by the second search
};
constexpr CacheRow CacheRows[] = {
    {"Unchanged", Change::Nothing, 0},
    {"NewTime", Change::TimeOnly, 1},
    {"NewSize", Change::Size, 1},
};
class CacheReuse : public SearchTree, public ::testing::WithParamInterface<CacheRow> {};
TEST_P(CacheReuse, UnchangedImagesAreNotReadAgain) {
    OpenCache();
    SearchQuery q;
    q.recursive = true;
    q.name = "*";
    dir.Write("game.prg", Payload());
    q.sameAs = *HostFileSha1(dir.File("game.prg"));
    const Found first = Search(q);
    EXPECT_EQ(first.stats.read, 3u);

    // A.D64 gets GAME renamed to GAMF, keeping its size; or grows by a byte.
    Bytes a = dir.Read("A.D64");
    if (GetParam().change != Change::Nothing) {
        a[std::size_t(dyskel::BlockOffset(18, 1)) + 0x05 + 3] = 'F';
        if (GetParam().change == Change::Size) a.push_back(0);
        dir.Write("A.D64", a);
        utimbuf later{1000000000, 1000000000};
        ASSERT_EQ(utime(dir.File("A.D64").c_str(), &later), 0);
    }
    Found second = Search(q);
    EXPECT_EQ(second.stats.read, GetParam().readAgain);
    Hits expected = first.hits;
    if (GetParam().change != Change::Nothing) expected[0] = "A.D64 #1 GAMF";
    EXPECT_EQ(second.hits, expected);
    // Without hashes the kept rows serve too, and give the same entries.
    q.sameAs.reset();
    q.type = 2;
    EXPECT_EQ(Search(q).stats.read, 0u);
}
INSTANTIATE_TEST_SUITE_P(Changes, CacheReuse, ::testing::ValuesIn(CacheRows),
                         [](const auto& info) { return std::string(info.param.label); });

// The index is only a copy of what images hold: a file damaged by a crash of
// the machine is made anew rather than stopping the search.
TEST_F(SearchTree, DamagedIndexFileIsMadeAnew) {
    std::filesystem::create_directory(dir.File("cache"));
    dir.Write("cache/index.sqlite", Bytes(8192, 0xA5));
    OpenCache();
    SearchQuery q;
    q.name = "GAME";
    EXPECT_EQ(Search(q).hits, (Hits{"A.D64 #1 GAME"}));
    EXPECT_EQ(Search(q).stats.read, 0u);
}

// An image removed between two searches, and whether the index forgot it
// then: put back as it was (bytes and time), it is read again only if so.
struct ForgetRow {
    const char* label;
    const char* removed;
    bool recursive; // the second search's
    bool stopped;   // the second search is stopped before it starts
    bool forgotten;
};
constexpr ForgetRow ForgetRows[] = {
    {"FromTheFolder", "A.D64", true, false, true},
    {"FromASubfolder", "sub/C.D64", true, false, true},
    {"FromTheFolderSearchedAlone", "A.D64", false, false, true},
    {"FromASubfolderNotSearched", "sub/C.D64", false, false, false},
    {"BySearchStopped", "A.D64", true, true, false},
};
class IndexForgets : public SearchTree, public ::testing::WithParamInterface<ForgetRow> {};
TEST_P(IndexForgets, RemovedImage) {
    OpenCache();
    SearchQuery q;
    q.recursive = true;
    Search(q);
    const std::string removed = dir.File(GetParam().removed);
    const Bytes bytes = dir.Read(GetParam().removed);
    struct stat before {};
    ASSERT_EQ(stat(removed.c_str(), &before), 0);
    ASSERT_TRUE(std::filesystem::remove(removed));
    q.recursive = GetParam().recursive;
    std::atomic<bool> stop = GetParam().stopped;
    Search(q, &stop);

    dir.Write(GetParam().removed, bytes);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, removed.c_str(), times, 0), 0);
    cache.reset(); // what the file holds
    OpenCache();
    q.recursive = true;
    EXPECT_EQ(Search(q).stats.read, GetParam().forgotten ? 1u : 0u);
}
INSTANTIATE_TEST_SUITE_P(Removed, IndexForgets, ::testing::ValuesIn(ForgetRows),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace dyskel
