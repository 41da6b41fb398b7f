#include "engine/configstore.h"
#include "testutil/fulldisk.h"
#include "xlgrid/atomicfile.h"
#include "xlgrid/encoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

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
    std::string ReadUtf8() { return xlgrid::Gb18030ToUtf8(xlgrid::ReadWholeFile(m_file.string(), 1 << 20)); }

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
                          "CreateSeats=True\r\nGroupCount=1\r\nSeatSex=True\r\nBalanced=False\r\n");
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
    EXPECT_NE(text.find("SeatSex=True\r\nBalanced=False\r\n\r\n[Tail]\r\nx=1\r\n"), std::string::npos);
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

// Settings files saved by a text editor in UTF-8 (with or without a
// byte-order mark) read as such; every save writes GB18030 again.
TEST_F(ConfigStoreTest, Utf8AndGb18030FilesRoundTripThroughGb18030)
{
    const std::string gbPrefix = "ClassPrefix=\xB8\xDF\xD2\xBB\r\n";  // 高一 in GB18030
    for (const char* name : {"config-utf8-bom.ini", "config-utf8.ini", "config-gb18030.ini"}) {
        fs::copy_file(fs::path(FENBAN_TEST_DATA) / "text" / name, m_file, fs::copy_options::overwrite_existing);
        TConfigStore store(m_file);
        EXPECT_EQ(store.ReadSetting("ClassPrefix", "?"), "高一") << name;
        EXPECT_EQ(store.ReadIntSetting("ClassCount", 1), 3) << name;
        store.LoadSettings();
        store.SaveSettings();
        const std::string bytes = xlgrid::ReadWholeFile(m_file.string(), 1 << 20);
        EXPECT_EQ(bytes.substr(0, 10), "[Global]\r\n") << name;
        EXPECT_NE(bytes.find(gbPrefix), std::string::npos) << name;
        EXPECT_EQ(TConfigStore(m_file).ReadSetting("ClassPrefix", "?"), "高一") << name;
        EXPECT_TRUE(TConfigStore(m_file).ReadBoolSetting("CreateStudentID", "False")) << name;
    }
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

TEST_F(ConfigStoreTest, DamagedFilesGiveAClearErrorNamingTheFileOnce)
{
    auto message = [&]() -> std::string {
        try {
            TConfigStore(m_file).ReadSetting("ClassPrefix", "");
        } catch (const xlgrid::EXLFileError& e) {
            EXPECT_EQ(e.Path(), m_file.string());
            return e.what();
        }
        return "no error";
    };
    auto count = [](const std::string& text, const std::string& part) {
        std::size_t n = 0;
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    };
    std::ofstream(m_file, std::ios::binary) << "[Global]\r\nClassPrefix=\x81\r\n";
    std::string text = message();
    EXPECT_NE(text.find("line 2, column 13: the byte 0x81 is neither UTF-8 nor GB18030 text"), std::string::npos)
        << text;
    EXPECT_EQ(count(text, m_file.string()), 1u) << text;
    fs::remove(m_file);
    fs::create_directory(m_file);
    text = message();
    EXPECT_NE(text.find("folder"), std::string::npos) << text;
    EXPECT_EQ(count(text, m_file.string()), 1u) << text;
}

TEST_F(ConfigStoreTest, FullDiskKeepsTheOldSettingsAndLeavesNoTemporaryFile)
{
    WriteUtf8("[Global]\r\nClassPrefix=旧\r\n");
    const std::string old = ReadUtf8();
    const testutil::TSaveOutcome outcome = testutil::SaveOnFullDisk([&]() {
        TConfigStore store(m_file);
        store.LoadSettings();
        store.SetStoredValue("ClassPrefix", std::string(4000, 'x'));
        store.SaveSettings();
    });
    EXPECT_TRUE(outcome.Exited);
    EXPECT_TRUE(outcome.Failed);
    EXPECT_NE(outcome.Message.find("File too large"), std::string::npos) << outcome.Message;
    EXPECT_EQ(ReadUtf8(), old);
    EXPECT_EQ(testutil::FolderEntries(m_dir), std::vector<std::string>{"Config.ini"});
}

// FENBAN_CONFIG names the settings file; without it the file lives beside
// the executable when that folder is writable, else in the user's folder.
TEST(DefaultConfigFile, EnvironmentFirstThenBesideTheProgramOrTheUsersFolder)
{
    const char* saved = std::getenv(ConfigFileVariable);
    const std::optional<std::string> before = saved ? std::optional<std::string>(saved) : std::nullopt;
    ::setenv(ConfigFileVariable, "/somewhere/else.ini", 1);
    EXPECT_EQ(DefaultConfigFile(), fs::path("/somewhere/else.ini"));
    ::setenv(ConfigFileVariable, "", 1);
    const fs::path fallback = DefaultConfigFile();
    EXPECT_EQ(fallback.filename(), "Config.ini");
    const bool beside = fallback.parent_path() == ExecutableFolder();
    EXPECT_TRUE(beside || fallback.parent_path().filename() == "fenban") << fallback;
    if (before)
        ::setenv(ConfigFileVariable, before->c_str(), 1);
    else
        ::unsetenv(ConfigFileVariable);
}
