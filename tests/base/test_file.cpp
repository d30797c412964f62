// Plain and packed files behind one reader: parity, the packed header's checks, and reads
// that run off either end.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/kr_file.h"
#include "tests/support/test_util.h"
#include "tools/common/tool_pack.h"

namespace {

std::vector<std::uint8_t> Sample() {
  std::vector<std::uint8_t> d = {'m', 'e', 's', 'h', 0, 'b', 'o', 'x', 0};
  for (int i = 0; i < 300; i++) d.push_back(std::uint8_t(i * 7));
  return d;
}

std::vector<std::uint8_t> ReadAll(KR_File* f) {
  std::vector<std::uint8_t> out;
  std::uint8_t b;
  while (KR_Fread(&b, 1, 1, f) == 1) out.push_back(b);
  return out;
}

TEST(File, PackedAndPlainReadTheSame) {
  vt::TempDir dir;
  auto data = Sample();
  vt::WriteFile(dir.file("plain.bin"), data);
  vt::WriteFile(dir.file("packed.bin"), TOOL_Pack(data));
  KR_File* plain = KR_Fopen(dir.file("plain.bin").c_str(), "rb");
  KR_File* packed = KR_Fopen(dir.file("packed.bin").c_str(), "rb");
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(packed, nullptr);
  EXPECT_EQ(plain->mode, 0);
  EXPECT_EQ(packed->mode, 1);
  EXPECT_EQ(packed->size, std::int32_t(data.size()));
  EXPECT_EQ(KR_Ftell(packed), 0);

  char a[KR_STRING_SIZE], b[KR_STRING_SIZE];
  ASSERT_EQ(KR_FreadString(a, plain), 1);
  ASSERT_EQ(KR_FreadString(b, packed), 1);
  EXPECT_STREQ(a, "mesh");
  EXPECT_STREQ(b, "mesh");
  EXPECT_EQ(KR_Fseek(packed, 5, 0), 1);
  EXPECT_EQ(KR_Fseek(plain, 5, 0), 0);
  EXPECT_EQ(ReadAll(plain), ReadAll(packed));
  EXPECT_EQ(KR_Feof(packed), 1);
  EXPECT_NE(KR_Feof(plain), 0);

  KR_Fseek(packed, 0, 2);
  EXPECT_EQ(KR_Ftell(packed), std::int32_t(data.size()));
  KR_Fseek(packed, -4, 1);
  EXPECT_EQ(KR_Ftell(packed), std::int32_t(data.size()) - 4);
  EXPECT_EQ(KR_Fclose(plain), 1);
  EXPECT_EQ(KR_Fclose(packed), 1);
}

TEST(File, WholeItemsOnlyAndSignedBytes) {
  vt::TempDir dir;
  std::vector<std::uint8_t> data(10, 0x11);
  data[0] = 0xFF;
  vt::WriteFile(dir.file("p"), TOOL_Pack(data));
  KR_File* f = KR_Fopen(dir.file("p").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(KR_Fgetc(f), -1);  // 0xFF reads like the end in an unpacked file
  KR_Fseek(f, 0, 0);
  std::uint32_t items[3] = {};
  EXPECT_EQ(KR_Fread(items, 4, 3, f), 2);
  EXPECT_EQ(KR_Ftell(f), 8);
  KR_Fclose(f);
}

TEST(File, SeeksOutsideTheDataNeverReadOutsideIt) {
  vt::TempDir dir;
  vt::WriteFile(dir.file("p"), TOOL_Pack(Sample()));
  KR_File* f = KR_Fopen(dir.file("p").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::uint8_t buf[8];
  KR_Fseek(f, -100, 0);
  EXPECT_EQ(KR_Fread(buf, 1, 8, f), 0);
  EXPECT_EQ(KR_Fgetc(f), -1);
  KR_Fseek(f, 0x7FFFFFF0, 0);
  KR_Fseek(f, 0x7FFFFFF0, 1);  // no overflow into negative positions
  EXPECT_EQ(KR_Fread(buf, 4, 2, f), 0);
  EXPECT_EQ(KR_Fgetc(f), -1);
  KR_Fclose(f);
}

TEST(File, ShortAndAlmostPackedFilesArePlain) {
  vt::TempDir dir;
  vt::WriteFile(dir.file("short"), std::string("abc"));
  KR_File* f = KR_Fopen(dir.file("short").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->mode, 0);
  EXPECT_EQ(KR_Fgetc(f), 'a');
  KR_Fclose(f);

  std::string almost = std::string(KR_PACK_BANNER) + "X" + std::string(10, 'y');
  vt::WriteFile(dir.file("almost"), almost);
  f = KR_Fopen(dir.file("almost").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->mode, 0);
  EXPECT_EQ(KR_Ftell(f), 0);
  EXPECT_EQ(f->size, std::int32_t(almost.size()));
  KR_Fclose(f);

  // Only "rb" looks inside.
  vt::WriteFile(dir.file("packed"), TOOL_Pack(Sample()));
  f = KR_Fopen(dir.file("packed").c_str(), "r");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->mode, 0);
  KR_Fclose(f);
}

TEST(File, DamagedPackedFilesFailCleanly) {
  vt::TempDir dir;
  auto packed = TOOL_Pack(Sample());
  vt::ErrorLog log;

  auto corrupt = packed;
  for (std::size_t i = KR_PACK_HEADER + 2; i < corrupt.size(); i++) corrupt[i] ^= 0x5A;
  vt::WriteFile(dir.file("corrupt"), corrupt);
  EXPECT_EQ(KR_Fopen(dir.file("corrupt").c_str(), "rb"), nullptr);
  EXPECT_TRUE(log.Has("KR_Fopen - zlib failed\n"));

  auto longer = packed;  // states one byte more than the stream holds
  longer[31] = std::uint8_t(longer[31] + 1);
  vt::WriteFile(dir.file("longer"), longer);
  EXPECT_EQ(KR_Fopen(dir.file("longer").c_str(), "rb"), nullptr);

  auto shorter = packed;
  shorter[31] = std::uint8_t(shorter[31] - 1);
  vt::WriteFile(dir.file("shorter"), shorter);
  EXPECT_EQ(KR_Fopen(dir.file("shorter").c_str(), "rb"), nullptr);

  for (std::uint32_t absurd : {0xFFFFFFF0u, 0x40000000u}) {
    auto huge = packed;
    for (int i = 0; i < 4; i++) huge[31 + i] = std::uint8_t(absurd >> (8 * i));
    vt::WriteFile(dir.file("huge"), huge);
    EXPECT_EQ(KR_Fopen(dir.file("huge").c_str(), "rb"), nullptr) << absurd;
  }

  std::vector<std::uint8_t> header(packed.begin(), packed.begin() + 33);  // ends inside the size
  vt::WriteFile(dir.file("cut"), header);
  EXPECT_EQ(KR_Fopen(dir.file("cut").c_str(), "rb"), nullptr);
  EXPECT_EQ(KR_Fopen(dir.file("missing").c_str(), "rb"), nullptr);
}

TEST(File, StringsStopAtTheirBuffer) {
  vt::TempDir dir;
  std::vector<std::uint8_t> data(600, 'n');  // no terminator at all
  vt::WriteFile(dir.file("p"), TOOL_Pack(data));
  KR_File* f = KR_Fopen(dir.file("p").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  char buf[KR_STRING_SIZE + 8];
  std::memset(buf, 'G', sizeof buf);
  EXPECT_EQ(KR_FreadString(buf, f), 0);
  EXPECT_EQ(buf[KR_STRING_SIZE - 1], 0);
  EXPECT_EQ(buf[KR_STRING_SIZE], 'G');  // nothing written past the buffer
  KR_Fclose(f);

  std::string longest(255, 'x');
  vt::WriteFile(dir.file("ok"), longest + std::string(1, '\0') + "tail");
  f = KR_Fopen(dir.file("ok").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(KR_FreadString(buf, f), 1);
  EXPECT_EQ(std::string(buf), longest);
  EXPECT_EQ(KR_FreadString(buf, f), 0);  // "tail" runs into the end
  EXPECT_STREQ(buf, "tail");
  KR_Fclose(f);
}

TEST(File, NamesResolveWithBackslashesAndAnyCase) {
  vt::TempDir dir;
  std::filesystem::create_directories(dir.path / "Data" / "Models");
  vt::WriteFile((dir.path / "Data" / "Models" / "Box.krm").string(), std::string("box"));
  vt::ChangeDir cd(dir.path);
  KR_File* f = KR_Fopen("data\\MODELS\\box.KRM", "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(KR_Fgetc(f), 'b');
  KR_Fclose(f);
}

}  // namespace
