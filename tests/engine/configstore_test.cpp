#include "engine/configstore.h"
#include "engine/atomicfile.h"
#include "xlgrid/encoding.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace engine;
namespace fs = std::filesystem;

namespace {

class ConfigStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("fenban-config-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_file = m_dir / "Config.ini";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void WriteUtf8(const std::string& text)
    {
        std::ofstream(m_file, std::ios::binary) << xlgrid::Utf8ToGb18030(text);
    }
    std::string ReadUtf8() { return xlgrid::Gb18030ToUtf8(ReadFileBounded(m_file, 1 << 20)); }

    fs::path m_dir;
    fs::path m_file;
};

}  // namespace

TEST_F(ConfigStoreTest, FirstSaveWritesTheLoadedDefaultsInOrder)
{
    TConfigStore store(m_file);
    store.SaveSettings();  // before any load: nothing
    EXPECT_FALSE(fs::exists(m_file));
    store.LoadSettings();
    store.SaveSettings();
    EXPECT_EQ(ReadUtf8(), "[Global]\r\nClassCount=1\r\nClassPrefix=\r\nCreateStudentID=False\r\n"
                          "StudentIDPrefix=\r\nSexPrefix=False\r\nSortFieldName=\r\nSortFieldType=\r\n"
                          "CreateSeats=True\r\nGroupCount=1\r\nSeatSex=True\r\n");
}

TEST_F(ConfigStoreTest, KeysAreReplacedInPlaceAndOtherSectionsKept)
{
    WriteUtf8("; note\r\n[Other]\r\nClassCount=9\r\n\r\n[global]\r\nSortFieldName=语文\r\nclasscount =5\r\n\r\n[Tail]\r\nx=1\r\n");
    TConfigStore store(m_file);
    EXPECT_EQ(store.ReadIntSetting("ClassCount", 1), 5);
    store.LoadSettings();
    store.SetStoredValue("ClassPrefix", std::string_view("高一"));
    store.SaveSettings();
    std::string text = ReadUtf8();
    EXPECT_EQ(text.substr(0, 43), "; note\r\n[Other]\r\nClassCount=9\r\n\r\n[global]\r\n");
    EXPECT_NE(text.find("SortFieldName=语文\r\nClassCount=5\r\nClassPrefix=高一\r\nCreateStudentID=False"),
              std::string::npos);
    EXPECT_NE(text.find("SeatSex=True\r\n\r\n[Tail]\r\nx=1\r\n"), std::string::npos);
}

TEST_F(ConfigStoreTest, ReadersInterpretTexts)
{
    struct Row {
        const char* line;
        int integer;
        bool boolean;
    };
    const Row rows[] = {
        {"V=5", 5, false},        {"V=5.5", 1, false},  {"V=-2", -2, false},   {"V=", 1, false},
        {"V=abc", 1, false},      {"V=99999999999", 1, false}, {"V=True", 1, true}, {"V=true", 1, false},
        {"V=TRUE", 1, false},     {"V= 7", 7, false},   {"V=7 ", 1, false},
    };
    for (const Row& row : rows) {
        WriteUtf8(std::string("[Global]\r\n") + row.line + "\r\n");
        TConfigStore store(m_file);
        EXPECT_EQ(store.ReadIntSetting("V", 1), row.integer) << row.line;
        EXPECT_EQ(store.ReadBoolSetting("V", "False"), row.boolean) << row.line;
    }
}

TEST_F(ConfigStoreTest, QuotedTextsSurviveASaveAndLoad)
{
    for (const char* prefix : {"\"高一\"", "'a'", "\"", "a\"b", "\"x'", "''", " 高一 "}) {
        TConfigStore store(m_file);
        store.LoadSettings();
        store.SetStoredValue("ClassPrefix", std::string_view(prefix));
        store.SaveSettings();
        TConfigStore again(m_file);
        EXPECT_EQ(again.ReadSetting("ClassPrefix", "?"), prefix);
    }
    WriteUtf8("[Global]\r\nClassPrefix=\"quoted\"\r\n");
    EXPECT_EQ(TConfigStore(m_file).ReadSetting("ClassPrefix", ""), "quoted");
}

TEST_F(ConfigStoreTest, MissingFileGivesDefaultsAndMemoryModeNeverWrites)
{
    TConfigStore store(m_file);
    EXPECT_EQ(store.ReadIntSetting("ClassCount", 1), 1);
    EXPECT_EQ(store.ReadSetting("ClassPrefix", "x"), "x");
    TConfigStore memory = TConfigStore::InMemory(m_file);
    memory.WriteSetting("ClassCount", "4");
    memory.LoadSettings();
    memory.SaveSettings();
    EXPECT_EQ(memory.ReadIntSetting("ClassCount", 1), 4);
    EXPECT_FALSE(fs::exists(m_file));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 0);
}

TEST_F(ConfigStoreTest, DamagedFilesGiveAClearError)
{
    std::ofstream(m_file, std::ios::binary) << "[Global]\r\nClassPrefix=\x81\r\n";
    EXPECT_THROW(TConfigStore(m_file).ReadSetting("ClassPrefix", ""), EFileError);
    fs::remove(m_file);
    fs::create_directory(m_file);
    EXPECT_THROW(TConfigStore(m_file).ReadSetting("ClassPrefix", ""), EFileError);
}

TEST_F(ConfigStoreTest, AtomicSaveLeavesNoTemporaryFiles)
{
    WriteFileAtomic(m_dir / "a.txt", "one");
    WriteFileAtomic(m_dir / "a.txt", "two");
    EXPECT_EQ(ReadFileBounded(m_dir / "a.txt", 10), "two");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
    EXPECT_THROW(WriteFileAtomic(m_dir / "missing" / "a.txt", "x"), EFileError);
    EXPECT_THROW(ReadFileBounded(m_dir / "a.txt", 2), EFileError);
}
