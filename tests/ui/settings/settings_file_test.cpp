#include "ui/settings/settings_file.h"

#include <gtest/gtest.h>

#include "runtime/ini_file.h"
#include "runtime/test_temp_folder.h"

namespace varnel::ui {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

const TSettingsEnvironment kEnvironment{"/home/u/", {1920, 1080}, {}};

// A file as the program writes it from scratch for the defaults.
const std::string kDefaultFile =
    "[Data]\r\n"
    "Connection=0\r\n"
    "ProxyAddr=0.0.0.0\r\n"
    "ProxyPort=21\r\n"
    "SocksServer=\r\n"
    "SocksPort=\r\n"
    "SocksUser=\r\n"
    "SocksPassword=\r\n"
    "Port=ftp\r\n"
    "ActiveStart=0\r\n"
    "SuppressError=0\r\n"
    "ClearCache=1\r\n"
    "50kLimit=1\r\n"
    "LastLocalDir=/home/u/\r\n"
    "LastConnection=\r\n"
    "\r\n"
    "[Window]\r\n"
    "Top=263\r\n"
    "Left=571\r\n"
    "Width=778\r\n"
    "Height=554\r\n";

TStoredSettings SampleValues() {
  TStoredSettings values;
  values.Settings.Connection = 4;
  values.Settings.ProxyAddr = "proxy.example";
  values.Settings.ProxyPort = "8021";
  values.Settings.SocksServer = "127.0.0.1";
  values.Settings.SocksPort = "1080";
  values.Settings.SocksUser = "me";
  values.Settings.SocksPassword = " p=w;#[x] ";
  values.Settings.Port = "2121";
  values.Settings.ActiveStart = true;
  values.Settings.SuppressError = true;
  values.Settings.ClearCache = false;
  values.Limit50k = false;
  values.LastLocalDir = "/data/K\xC3\xB6ln/";
  values.LastConnection = "Home Server";
  values.Window = {-20, 3000, 640, 480};
  return values;
}

TEST(SettingsFileTest, MissingFileGivesTheDefaults) {
  TempFolder folder;
  std::string error = "untouched";
  TStoredSettings values = LoadSettingsFile(folder.File("none.INI"), kEnvironment, &error);
  EXPECT_EQ(values, DefaultSettings(kEnvironment));
  EXPECT_EQ(error, "untouched");
  EXPECT_EQ(values.Settings.Connection, 0);
  EXPECT_EQ(values.Settings.Port, "ftp");
  EXPECT_EQ(values.Settings.ProxyAddr, "0.0.0.0");
  EXPECT_EQ(values.Settings.ProxyPort, "21");
  EXPECT_TRUE(values.Settings.ClearCache);
  EXPECT_FALSE(values.Settings.ActiveStart);
  EXPECT_TRUE(values.Limit50k);
  EXPECT_EQ(values.LastLocalDir, "/home/u/");
  EXPECT_EQ(values.LastConnection, "");
  EXPECT_EQ(values.Window, (TWindowBounds{263, 571, 778, 554}));
}

TEST(SettingsFileTest, FirstSaveWritesEveryKeyInOrder) {
  TempFolder folder;
  const std::string path = folder.File("varnel-client.INI");
  SaveSettingsFile(path, DefaultSettings(kEnvironment));
  EXPECT_EQ(ReadBytes(path), kDefaultFile);
  EXPECT_EQ(testing::ModeOf(path), 0600u);
}

TEST(SettingsFileTest, SavedValuesLoadBackUnchanged) {
  TempFolder folder;
  const std::string path = folder.File("s.INI");
  SaveSettingsFile(path, SampleValues());
  EXPECT_EQ(LoadSettingsFile(path, kEnvironment), SampleValues());
  const std::string bytes = ReadBytes(path);
  EXPECT_NE(bytes.find("\r\nSocksPassword= p=w;#[x] \r\n"), std::string::npos) << bytes;
}

TEST(SettingsFileTest, SavingLoadedValuesLeavesTheFileByteForByte) {
  TempFolder folder;
  const std::string path = folder.File("s.INI");
  std::string bytes = kDefaultFile;
  bytes.replace(bytes.find("ActiveStart=0"), 13, "ActiveStart=1");
  WriteBytes(path, bytes, 0600);
  TStoredSettings values = LoadSettingsFile(path, kEnvironment);
  EXPECT_TRUE(values.Settings.ActiveStart);
  EXPECT_FALSE(values.Settings.SuppressError);
  SaveSettingsFile(path, values);
  EXPECT_EQ(ReadBytes(path), bytes);
}

TEST(SettingsFileTest, RewriteKeepsForeignLinesAndSpelling) {
  TempFolder folder;
  const std::string path = folder.File("s.INI");
  const std::string before =
      "; written by hand\n"
      "[plugins]\n"
      "x=1\n"
      "[DATA]\n"
      "connection = 2\n"
      "unknown=keep me\n"
      "[window]\n"
      "width=800";
  WriteBytes(path, before, 0644);
  TStoredSettings values = LoadSettingsFile(path, kEnvironment);
  EXPECT_EQ(values.Settings.Connection, 2);
  EXPECT_EQ(values.Window.Width, 800);
  values.Settings.Connection = 3;
  SaveSettingsFile(path, values);

  runtime::IniFile saved(path);
  ASSERT_TRUE(saved.Load());
  const std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes.rfind("; written by hand\n[plugins]\nx=1\n[DATA]\nconnection =3\n", 0), 0u) << bytes;
  EXPECT_NE(bytes.find("unknown=keep me\n"), std::string::npos);
  EXPECT_NE(bytes.find("[window]\nwidth=800\r\nTop="), std::string::npos) << bytes;
  EXPECT_EQ(bytes.find("[Data]"), std::string::npos) << "a second Data section was added";
  EXPECT_EQ(saved.ReadString("Data", "Port", ""), "ftp");
  EXPECT_EQ(testing::ModeOf(path), 0600u);
}

TEST(SettingsFileTest, OutOfRangeConnectionIsKeptAndActsAsDirect) {
  TempFolder folder;
  const std::string path = folder.File("s.INI");
  WriteBytes(path, "[Data]\r\nConnection=7\r\n");
  TStoredSettings values = LoadSettingsFile(path, kEnvironment);
  EXPECT_EQ(values.Settings.Connection, 7);
  EXPECT_EQ(ConnectionKindOf(values.Settings.Connection), TConnectionKind::Direct);
  SaveSettingsFile(path, values);
  EXPECT_NE(ReadBytes(path).find("Connection=7\r\n"), std::string::npos);
}

struct KindCase {
  int value;
  TConnectionKind kind;
};

class ConnectionKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(ConnectionKindTest, FollowsTheEngineOrder) {
  EXPECT_EQ(ConnectionKindOf(GetParam().value), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(Values, ConnectionKindTest,
                         ::testing::Values(KindCase{0, TConnectionKind::Direct},
                                           KindCase{1, TConnectionKind::Proxy},
                                           KindCase{2, TConnectionKind::Socks4},
                                           KindCase{3, TConnectionKind::Socks4A},
                                           KindCase{4, TConnectionKind::Socks5},
                                           KindCase{5, TConnectionKind::Direct},
                                           KindCase{-1, TConnectionKind::Direct}));

TEST(SettingsFileTest, IntegerKeysThatAreNoNumberReadAsDefaults) {
  TempFolder folder;
  const std::string path = folder.File("s.INI");
  WriteBytes(path,
             "[Data]\r\nConnection=socks\r\nClearCache=no\r\nActiveStart=yes\r\n"
             "[Window]\r\nWidth=wide\r\nHeight=1000\r\n");
  TStoredSettings values = LoadSettingsFile(path, kEnvironment);
  EXPECT_EQ(values.Settings.Connection, 0);
  EXPECT_TRUE(values.Settings.ClearCache);
  EXPECT_FALSE(values.Settings.ActiveStart);
  EXPECT_EQ(values.Window.Width, 778);
  EXPECT_EQ(values.Window.Height, 1000);
  EXPECT_EQ(values.Window.Top, (1080 - 1000) / 2);
  EXPECT_EQ(values.Window.Left, (1920 - 778) / 2);
}

TEST(SettingsFileTest, UnreadableFileGivesDefaultsAndIsNeverReplaced) {
  TempFolder folder;
  const std::string path = folder.File("dir.INI");
  ASSERT_TRUE(std::filesystem::create_directory(path));
  std::string error;
  EXPECT_EQ(LoadSettingsFile(path, kEnvironment, &error), DefaultSettings(kEnvironment));
  EXPECT_FALSE(error.empty());
  EXPECT_THROW(SaveSettingsFile(path, SampleValues()), runtime::EIniFileException);
  EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(SettingsFileTest, UnwritableFileReportsTheFixedText) {
  TempFolder folder;
  const std::string path = folder.File("missing/s.INI");
  try {
    SaveSettingsFile(path, SampleValues());
    FAIL() << "saved";
  } catch (const runtime::EIniFileException& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
  }
}

TEST(SettingsFileTest, KeyThatCannotBeStoredStopsTheKeysAfterIt) {
  TempFolder folder;
  const std::string path = folder.File("s.INI");
  TStoredSettings values = SampleValues();
  values.LastConnection = "evil\r\n[Data]\r\nConnection=1";
  EXPECT_THROW(SaveSettingsFile(path, values), runtime::EIniFileException);

  runtime::IniFile saved(path);
  ASSERT_TRUE(saved.Load());
  EXPECT_EQ(saved.ReadString("Data", "LastLocalDir", ""), values.LastLocalDir);
  EXPECT_EQ(saved.ReadInteger("Data", "Connection", -1), 4);
  EXPECT_FALSE(saved.ValueExists("Data", "LastConnection"));
  EXPECT_FALSE(saved.SectionExists("Window"));
  EXPECT_EQ(testing::ModeOf(path), 0600u);
}

}  // namespace
}  // namespace varnel::ui
