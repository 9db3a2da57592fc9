#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "Document.h"
#include "ListCheck.h"
#include "TempDir.h"
#include "UnwrittenPipe.h"
#include "Wav.h"

namespace {

namespace fs = std::filesystem;

Bytes Header(int major, int minor, int count) {
  Bytes out;
  PutText(out, "VLX ");
  Put(out, static_cast<unsigned>(major), 1);
  Put(out, static_cast<unsigned>(minor), 1);
  Put(out, static_cast<unsigned>(count), 4);
  return out;
}

// A document with the given records for wave 0 and the same levels negated for wave 1.
Bytes Document(const std::vector<TNodeValues>& records, int major = 1, int minor = 0) {
  Bytes out = Header(major, minor, static_cast<int>(records.size()));
  for (int wave = 0; wave < 2; ++wave) {
    for (const TNodeValues& r : records) {
      PutDouble(out, r.X);
      PutDouble(out, wave ? -r.Y : r.Y);
      PutDouble(out, r.T);
    }
  }
  return out;
}

const std::vector<TNodeValues> kFour = {{0, 1, 2}, {100.25, -3, 0.2}, {40, 27, -7}, {300, 4, 5}};

struct Documents : TempDirTest {
  std::unique_ptr<TNodeList> Wave0 = std::make_unique<TNodeList>();
  std::unique_ptr<TNodeList> Wave1 = std::make_unique<TNodeList>();
  void SetUp() override {
    TempDirTest::SetUp();
    LoadDefaultDesign(*Wave0, *Wave1);
  }
  TReadOutcome Read(const Bytes& bytes) {
    WriteBytes(Path("in.vlx"), bytes);
    return ReadDocument(Path("in.vlx"), Wave0, Wave1);
  }
  // The design must still be the default one, in the same lists.
  void ExpectUnchanged(const TNodeList* before0, const TNodeList* before1) {
    EXPECT_EQ(Wave0.get(), before0);
    EXPECT_EQ(Wave1.get(), before1);
    EXPECT_EQ(Xs(*Wave0), (std::vector<double>{0, 75, 150, 225, 300}));
  }
};

TEST_F(Documents, DefaultDesignLayout) {
  Wave1->SetY(3, 13);
  Wave1->SetT(2, -0.4);
  ASSERT_EQ(WriteDocument(Path("d.vlx"), *Wave0, *Wave1), TWriteOutcome::Written);
  Bytes expected = Header(1, 0, 5);
  for (const TNodeList* wave : {Wave0.get(), Wave1.get()}) {
    for (const TNode* n = wave->FirstByIndex; n; n = n->NextByIndex) {
      PutDouble(expected, n->X);
      PutDouble(expected, n->Y);
      PutDouble(expected, n->T);
    }
  }
  EXPECT_EQ(expected.size(), 250u);
  EXPECT_EQ(ReadBytes(Path("d.vlx")), expected);
  EXPECT_EQ(Entries(), std::vector<std::string>{"d.vlx"});
}

TEST_F(Documents, RoundTripKeepsValuesAndXOrder) {
  Wave0->SetX(2, 200);  // X order 1, 3, 2, 4, 5
  Wave0->SetT(3, 19.8);
  Wave1->Insert(2);
  Wave0->Insert(2);
  Wave1->SetX(3, 75);  // ties with node 2
  Wave1->SetY(4, 0.1);
  Wave1->SetT(6, -3.3);
  ASSERT_EQ(WriteDocument(Path("r.vlx"), *Wave0, *Wave1), TWriteOutcome::Written);
  std::unique_ptr<TNodeList> read0, read1;
  ASSERT_EQ(ReadDocument(Path("r.vlx"), read0, read1), TReadOutcome::Accepted);
  const std::pair<const TNodeList*, const TNodeList*> pairs[] = {{Wave0.get(), read0.get()},
                                                                 {Wave1.get(), read1.get()}};
  for (const auto& [saved, read] : pairs) {
    ExpectSound(*read);
    EXPECT_EQ(XOrder(*read), XOrder(*saved));
    for (const TNode *a = saved->FirstByIndex, *b = read->FirstByIndex; a || b;
         a = a->NextByIndex, b = b->NextByIndex) {
      ASSERT_TRUE(a && b);
      EXPECT_EQ(a->X, b->X);
      EXPECT_EQ(a->Y, b->Y);
      EXPECT_EQ(a->T, b->T);
    }
  }
}

TEST_F(Documents, Versions) {
  const struct {
    int Major, Minor;
    TReadOutcome Outcome;
  } cases[] = {{1, 0, TReadOutcome::Accepted},       {1, 1, TReadOutcome::NewerVersion},
               {2, 0, TReadOutcome::NewerVersion},   {0, 99, TReadOutcome::Accepted},
               {0, 101, TReadOutcome::NewerVersion}, {0xFF, 0, TReadOutcome::Accepted},
               {1, 0x80, TReadOutcome::Accepted},    {0x80, 0x7F, TReadOutcome::Accepted}};
  for (const auto& c : cases) {
    LoadDefaultDesign(*Wave0, *Wave1);
    const TNodeList* before = Wave0.get();
    EXPECT_EQ(Read(Document(kFour, c.Major, c.Minor)), c.Outcome) << c.Major << "." << c.Minor;
    EXPECT_EQ(Wave0.get() != before, c.Outcome == TReadOutcome::Accepted);
  }
  EXPECT_STREQ(NewerVersionMessage,
               "This file has been created with a newer version of Vorlantix.\n\nPlease upgrade.");
}

TEST_F(Documents, AcceptedDesignUsesStoredValues) {
  ASSERT_EQ(Read(Document(kFour)), TReadOutcome::Accepted);
  ExpectSound(*Wave0);
  EXPECT_EQ(Xs(*Wave0), (std::vector<double>{0, 100.25, 40, 300}));
  EXPECT_EQ(XOrder(*Wave0), (std::vector<int>{1, 3, 2, 4}));
  EXPECT_EQ(Wave0->Find(1)->T, 2);
  EXPECT_EQ(Wave0->Find(4)->Y, 4);
  EXPECT_EQ(Wave1->Find(3)->Y, -27);

  // The end records' X cannot move the fixed nodes.
  ASSERT_EQ(Read(Document({{12, 1, 0}, {-40, 2, 0}})), TReadOutcome::Accepted);
  EXPECT_EQ(Xs(*Wave1), (std::vector<double>{0, 300}));
  EXPECT_EQ(Wave1->Find(2)->Y, -2);
}

TEST_F(Documents, SmallCounts) {
  Bytes one = Document({{0, 9, 1.5}});
  EXPECT_EQ(one.size(), 58u);
  ASSERT_EQ(Read(one), TReadOutcome::Accepted);
  EXPECT_EQ(Wave0->Count(), 2);
  EXPECT_EQ(Wave0->Find(1)->Y, 9);
  EXPECT_EQ(Wave1->Find(1)->T, 1.5);
  EXPECT_EQ(Wave0->Find(2)->X, 300);
  EXPECT_EQ(Wave0->Find(2)->Y, 0);

  ASSERT_EQ(Read(Header(1, 0, 0)), TReadOutcome::Accepted);
  ExpectSound(*Wave1);
  EXPECT_EQ(Wave1->Count(), 2);
  EXPECT_EQ(Wave1->Find(1)->Y, 0);
}

TEST_F(Documents, RefusalsLeaveTheDesign) {
  const TNodeList* before0 = Wave0.get();
  const TNodeList* before1 = Wave1.get();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  Bytes wrongMagic = Document(kFour);
  wrongMagic[3] = 'Y';
  Bytes truncated = Document(kFour);
  truncated.pop_back();
  Bytes trailing = Document(kFour);
  trailing.push_back(0);
  Bytes negative = Header(1, 0, -1);
  Bytes huge = Header(1, 0, 0x7FFFFFFF);
  Bytes beyond = Header(1, 0, kMaxDocumentNodes + 1);
  beyond.resize(10 + 48 * static_cast<std::size_t>(kMaxDocumentNodes + 1));
  const Bytes damaged[] = {
      {},
      {'V', 'L', 'X'},
      Header(1, 0, 4),
      wrongMagic,
      truncated,
      trailing,
      negative,
      huge,
      beyond,
      Document({{0, 0, 0}, {nan, 0, 0}, {300, 0, 0}}),
      Document({{0, 0, 0}, {5, inf, 0}, {300, 0, 0}}),
      Document({{0, 0, 0}, {5, 0, -inf}, {300, 0, 0}}),
      Document({{0, 0, nan}, {300, 0, 0}}),
      Document({{0, 0, 0}, {-0.5, 0, 0}, {300, 0, 0}}),
      Document({{0, 0, 0}, {300.5, 0, 0}, {300, 0, 0}}),
  };
  for (std::size_t i = 0; i < std::size(damaged); ++i) {
    EXPECT_EQ(Read(damaged[i]), TReadOutcome::Refused) << "case " << i;
    ExpectUnchanged(before0, before1);
  }
  ASSERT_EQ(WriteWav(Path("w.wav"), *Wave0, *Wave1), TWriteOutcome::Written);
  EXPECT_EQ(ReadDocument(Path("w.wav"), Wave0, Wave1), TReadOutcome::Refused);
  EXPECT_EQ(ReadDocument(Path("missing.vlx"), Wave0, Wave1), TReadOutcome::CannotOpen);
  EXPECT_EQ(ReadDocument("", Wave0, Wave1), TReadOutcome::CannotOpen);
  EXPECT_NE(ReadDocument(Dir.string(), Wave0, Wave1), TReadOutcome::Accepted);
  ExpectUnchanged(before0, before1);
}

// Only a regular file is read: a pipe no one writes to, a folder and a device
// are refused at once as unopenable, and a link reaches the file it names.
TEST_F(Documents, WhatIsNotARegularFileIsRefusedWithoutWaiting) {
  const TNodeList* before0 = Wave0.get();
  const TNodeList* before1 = Wave1.get();
  TUnwrittenPipe pipe(Path("pipe.vlx"));
  ASSERT_TRUE(pipe.Made);
  fs::create_directory(Dir / "folder.vlx");
  const struct {
    std::string Path;
    std::string Kind;
  } cases[] = {
      {pipe.Path, "a named pipe"}, {Path("folder.vlx"), "a folder"}, {"/dev/zero", "a device"}};
  for (const auto& c : cases) {
    std::string reason;
    EXPECT_EQ(ReadDocument(c.Path, Wave0, Wave1, &reason), TReadOutcome::CannotOpen) << c.Path;
    EXPECT_EQ(reason, "cannot open: " + c.Kind + ", not a regular file");
    ExpectUnchanged(before0, before1);
  }
  EXPECT_FALSE(pipe.Unblocked()) << "the read waited for a writer";

  WriteBytes(Path("d.vlx"), Document(kFour));
  fs::create_symlink("d.vlx", Dir / "link.vlx");
  EXPECT_EQ(ReadDocument(Path("link.vlx"), Wave0, Wave1), TReadOutcome::Accepted);
  EXPECT_EQ(Xs(*Wave0), (std::vector<double>{0, 100.25, 40, 300}));
}

TEST_F(Documents, LargestCountLoadsQuickly) {
  std::vector<TNodeValues> records(kMaxDocumentNodes, {150, 1, 0});
  records.front().X = 0;
  records.back().X = 300;
  ASSERT_EQ(Read(Document(records)), TReadOutcome::Accepted);
  EXPECT_EQ(Wave1->Count(), kMaxDocumentNodes);
  ExpectSound(*Wave1);
}

TEST_F(Documents, CannotCreateLeavesNothing) {
  fs::create_directory(Dir / "sub");
  for (const std::string& path : {Path("no/such/folder/d.vlx"), std::string(), Path("sub")}) {
    EXPECT_EQ(WriteDocument(path, *Wave0, *Wave1), TWriteOutcome::CannotCreate) << path;
    EXPECT_EQ(WriteWav(path, *Wave0, *Wave1), TWriteOutcome::CannotCreate) << path;
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"sub"});
  EXPECT_EQ(CannotCreateMessage("a/b.wav"),
            "Unable to create destination file 'a/b.wav'. \nPlease check the filename. Also make "
            "sure you've got write permissions to the designated folder, and that you haven't run "
            "out of disk space.");
  EXPECT_EQ(CannotCreateMessage("").substr(0, 39), "Unable to create destination file ''. \n");
}

TEST_F(Documents, ReadOnlyTargetCannotBeCreated) {
  WriteBytes(Path("ro.vlx"), {1, 2, 3});
  fs::permissions(Path("ro.vlx"), fs::perms::owner_read);
  if (std::FILE* probe = std::fopen(Path("ro.vlx").c_str(), "r+b")) {
    std::fclose(probe);
    GTEST_SKIP() << "running with privileges that ignore file permissions";
  }
  EXPECT_EQ(WriteDocument(Path("ro.vlx"), *Wave0, *Wave1), TWriteOutcome::CannotCreate);
  EXPECT_EQ(ReadBytes(Path("ro.vlx")), (Bytes{1, 2, 3}));
}

TEST_F(Documents, FailedWritesKeepThePreviousFile) {
  const Bytes previous = {'o', 'l', 'd'};
  WriteBytes(Path("d.vlx"), previous);
  WriteBytes(Path("d.wav"), previous);
  for (bool onlyClose : {false, true}) {
    TFailingDiskScope failing(onlyClose);
    EXPECT_EQ(WriteDocument(Path("d.vlx"), *Wave0, *Wave1), TWriteOutcome::WriteFailed);
    EXPECT_EQ(WriteWav(Path("d.wav"), *Wave0, *Wave1), TWriteOutcome::WriteFailed);
    EXPECT_EQ(WriteDocument(Path("new.vlx"), *Wave0, *Wave1), TWriteOutcome::WriteFailed);
    EXPECT_EQ(failing.Disk.Opened.size(), 3u);
  }
  EXPECT_EQ(ReadBytes(Path("d.vlx")), previous);
  EXPECT_EQ(ReadBytes(Path("d.wav")), previous);
  auto entries = Entries();
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"d.vlx", "d.wav"}));
}

TEST_F(Documents, SavingReplacesKeepingModeAndLinks) {
  WriteBytes(Path("d.vlx"), {'o', 'l', 'd'});
  fs::permissions(Path("d.vlx"),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("d.vlx", Dir / "link.vlx");
  ASSERT_EQ(WriteDocument(Path("link.vlx"), *Wave0, *Wave1), TWriteOutcome::Written);
  EXPECT_TRUE(fs::is_symlink(Dir / "link.vlx"));
  EXPECT_EQ(ReadBytes(Path("d.vlx")).size(), 250u);
  EXPECT_EQ(fs::status(Path("d.vlx")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Entries().size(), 2u);
}

TEST(Writers, LittleEndianItems) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(WriteByte(0x1234, file), 1);
  EXPECT_EQ(WriteWord(-2, file), 1);
  EXPECT_EQ(WriteWord(0x12345, file), 1);
  EXPECT_EQ(WriteDWord(FourCC("VLX "), file), 1);
  EXPECT_EQ(WriteDouble(1.5, file), 1);
  std::rewind(file);
  Bytes bytes(19);
  EXPECT_EQ(std::fread(bytes.data(), 1, 19, file), 17u);
  std::fclose(file);
  bytes.resize(17);
  EXPECT_EQ(bytes, (Bytes{0x34, 0xFE, 0xFF, 0x45, 0x23, 'V', 'L', 'X', ' ', 0, 0, 0, 0, 0, 0, 0xF8,
                          0x3F}));
}

}  // namespace
