#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "platform/com/registrar.h"
#include "platform/com/registry.h"
#include "platform/com/registry_tree.h"
#include "tests/platform/com/temporary_registry.h"

namespace {

using Registry = TemporaryRegistry;

LONG set_text(const char* subkey, const char* name, const std::string& text) {
  HKEY key;
  LONG status = RegCreateKeyEx(HKEY_CLASSES_ROOT, subkey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
  return status;
}

bool key_exists(const char* subkey) {
  HKEY key;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

TEST_F(Registry, KeysAndValuesRoundTripThroughAReadableFile) {
  HKEY key;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT, "CLSID\\{ABC}\\InprocServer32", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                           &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  const char path[] = "/opt/lib \"x\"\\libtresslin.so";
  ASSERT_EQ(RegSetValueEx(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path), sizeof path), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueEx(key, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>("Apartment"), 10),
            ERROR_SUCCESS);
  DWORD number = 0x1234;
  ASSERT_EQ(RegSetValueEx(key, "Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4), ERROR_SUCCESS);
  RegCloseKey(key);

  EXPECT_EQ(file_text(),
            "; Tresslin registry (HKEY_CLASSES_ROOT). Written whole on every change.\n\n"
            "[HKEY_CLASSES_ROOT]\n\n"
            "[HKEY_CLASSES_ROOT\\CLSID]\n\n"
            "[HKEY_CLASSES_ROOT\\CLSID\\{ABC}]\n\n"
            "[HKEY_CLASSES_ROOT\\CLSID\\{ABC}\\InprocServer32]\n"
            "@=\"/opt/lib \\\"x\\\"\\\\libtresslin.so\"\n"
            "\"Count\"=dword:00001234\n"
            "\"ThreadingModel\"=\"Apartment\"\n\n");

  ASSERT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "clsid\\{abc}\\INPROCSERVER32", 0, KEY_READ, &key), ERROR_SUCCESS);
  char text[64];
  DWORD size = 4;
  DWORD type = 0;
  EXPECT_EQ(RegQueryValueEx(key, "", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, sizeof path);
  size = sizeof text;
  ASSERT_EQ(RegQueryValueEx(key, "", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_STREQ(text, path);
  DWORD read_number = 0;
  size = 4;
  ASSERT_EQ(RegQueryValueEx(key, "count", nullptr, &type, reinterpret_cast<BYTE*>(&read_number), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(read_number, 0x1234u);
  EXPECT_EQ(RegQueryValueEx(key, "Missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
  EXPECT_EQ(registry_string(HKEY_CLASSES_ROOT, "CLSID\\{ABC}\\InprocServer32", "ThreadingModel"), "Apartment");
}

TEST_F(Registry, NamesKeepTheirCaseAndEnumerateInOrder) {
  ASSERT_EQ(set_text("Beta", nullptr, "b"), ERROR_SUCCESS);
  ASSERT_EQ(set_text("alpha", nullptr, "a"), ERROR_SUCCESS);
  ASSERT_EQ(set_text("ALPHA", "v", "same key"), ERROR_SUCCESS);
  char name[16];
  std::vector<std::string> names;
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    LONG status = RegEnumKeyEx(HKEY_CLASSES_ROOT, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(status, ERROR_SUCCESS);
    names.emplace_back(name, size);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Beta"}));
  EXPECT_EQ(registry_string(HKEY_CLASSES_ROOT, "Alpha", "V"), "same key");
}

TEST_F(Registry, DeletionRules) {
  ASSERT_EQ(set_text("Root\\Child\\Leaf", nullptr, "x"), ERROR_SUCCESS);
  ASSERT_EQ(set_text("Root", "value", "y"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(HKEY_CLASSES_ROOT, "Root\\Child"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKey(HKEY_CLASSES_ROOT, "Root\\Child\\Leaf"), ERROR_SUCCESS);
  EXPECT_FALSE(key_exists("Root\\Child\\Leaf"));
  EXPECT_EQ(RegDeleteKey(HKEY_CLASSES_ROOT, "Root\\Nothing"), ERROR_FILE_NOT_FOUND);

  HKEY root;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "Root", 0, KEY_ALL_ACCESS, &root), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValue(root, "value"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValue(root, "value"), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(set_text("Root\\A\\B", nullptr, "deep"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteTree(root, nullptr), ERROR_SUCCESS);
  EXPECT_TRUE(key_exists("Root"));
  EXPECT_FALSE(key_exists("Root\\A"));
  EXPECT_EQ(RegDeleteTree(HKEY_CLASSES_ROOT, "Root"), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueEx(root, "late", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1), ERROR_KEY_DELETED);
  RegCloseKey(root);
  EXPECT_EQ(RegCloseKey(root), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "a\\\\b", 0, KEY_READ, &root), ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, LivesWhereTheEnvironmentSays) {
  EXPECT_EQ(registry_file_path(), path_);
  unsetenv("TRESSLIN_REGISTRY");
  setenv("XDG_CONFIG_HOME", folder_.file("xdg").c_str(), 1);
  EXPECT_EQ(registry_file_path(), folder_.file("xdg/tresslin/registry"));
  ASSERT_EQ(set_text("Made", nullptr, "in a new folder"), ERROR_SUCCESS);
  EXPECT_TRUE(std::filesystem::exists(folder_.file("xdg/tresslin/registry")));
  unsetenv("XDG_CONFIG_HOME");
  std::string home = getenv("HOME") ? getenv("HOME") : "";
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(registry_file_path(), "/home/someone/.config/tresslin/registry");
  setenv("HOME", home.c_str(), 1);
}

TEST_F(Registry, ATransactionLandsWholeOrNotAtAll) {
  ASSERT_EQ(set_text("Kept", nullptr, "before"), ERROR_SUCCESS);
  std::string before = file_text();
  LONG status = registry_transaction([] {
    set_text("Kept", nullptr, "changed");
    set_text("New", nullptr, "new");
    return ERROR_CANTWRITE;
  });
  EXPECT_EQ(status, ERROR_CANTWRITE);
  EXPECT_EQ(file_text(), before);
  EXPECT_EQ(registry_transaction([] {
              set_text("Kept", nullptr, "changed");
              return set_text("New", nullptr, "new");
            }),
            ERROR_SUCCESS);
  EXPECT_EQ(registry_string(HKEY_CLASSES_ROOT, "Kept", nullptr), "changed");
  EXPECT_EQ(registry_string(HKEY_CLASSES_ROOT, "New", nullptr), "new");
}

TEST_F(Registry, AMalformedFileIsReportedAndNeverOverwritten) {
  { std::ofstream(path_) << "[HKEY_CLASSES_ROOT\\X]\nnot a value line\n"; }
  std::string before = file_text();
  HKEY key;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "X", 0, KEY_READ, &key), ERROR_BADDB);
  EXPECT_EQ(set_text("Y", nullptr, "y"), ERROR_BADDB);
  EXPECT_EQ(file_text(), before);
  RegistryKey root;
  std::string error;
  EXPECT_FALSE(parse_registry(before, root, error));
  EXPECT_EQ(error, "line 2: malformed value name");
}

TEST(RegistryText, AwkwardNamesAndValuesRoundTrip) {
  RegistryKey root;
  bool created;
  RegistryKey* key = root.find_or_create({"odd]name%\n", "next"}, created);
  key->values["tab\tquote\"back\\"] = {REG_SZ, std::string("zero\0byte\x7F\n", 12)};
  key->values["bin"] = {REG_BINARY, "\x01\xFF"};
  key->values["empty"] = {REG_BINARY, ""};
  std::string text = format_registry(root);
  RegistryKey reread;
  std::string error;
  ASSERT_TRUE(parse_registry(text, reread, error)) << error << "\n" << text;
  EXPECT_EQ(format_registry(reread), text);
  RegistryKey* found = reread.find({"odd]name%\n", "next"});
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->values["tab\tquote\"back\\"].data, std::string("zero\0byte\x7F\n", 12));
  EXPECT_EQ(found->values["bin"].type, REG_BINARY);
}

TEST_F(Registry, ConcurrentWritersLoseNothing) {
  constexpr int WRITERS = 4;
  constexpr int KEYS_EACH = 15;
  std::vector<pid_t> children;
  for (int w = 0; w < WRITERS; ++w) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int k = 0; k < KEYS_EACH; ++k) {
        std::string name = "Writer" + std::to_string(w) + "\\Key" + std::to_string(k);
        if (set_text(name.c_str(), nullptr, "v") != ERROR_SUCCESS) _exit(1);
      }
      _exit(0);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int w = 0; w < WRITERS; ++w)
    for (int k = 0; k < KEYS_EACH; ++k) {
      std::string name = "Writer" + std::to_string(w) + "\\Key" + std::to_string(k);
      EXPECT_TRUE(key_exists(name.c_str())) << name;
    }
}

TEST_F(Registry, AWriterKilledInsideItsTransactionLeavesTheRegistryAsItWas) {
  ASSERT_EQ(set_text("Before", nullptr, "kept"), ERROR_SUCCESS);
  std::string before = file_text();
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    registry_transaction([&] {
      set_text("Half", nullptr, "never lands");
      if (write(ready[1], "x", 1) != 1) _exit(1);
      pause();
      return ERROR_SUCCESS;
    });
    _exit(0);
  }
  char byte;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_EQ(file_text(), before);
  // The lock died with its holder.
  EXPECT_EQ(set_text("After", nullptr, "written"), ERROR_SUCCESS);
  EXPECT_FALSE(key_exists("Half"));
  EXPECT_TRUE(key_exists("Before"));
}

constexpr const char* SCRIPT = R"(
HKCR
{
  Sample.Thing.1 = s 'Thing Class'
  {
    CLSID = s '{11111111-2222-3333-4444-555555555555}'
  }
  Sample.Thing = s 'Thing Class'
  {
    CLSID = s '{11111111-2222-3333-4444-555555555555}'
    CurVer = s 'Sample.Thing.1'
  }
  NoRemove CLSID
  {
    ForceRemove {11111111-2222-3333-4444-555555555555} = s 'Thing Class'
    {
      ForceRemove 'Programmable'
      InprocServer32 = s '%MODULE%'
      {
        val ThreadingModel = s 'Apartment'
        val Percent = s '100%%'
        val Count = d '7'
      }
    }
  }
}
)";

TEST_F(Registry, ScriptsRegisterAndUnregister) {
  ASSERT_EQ(set_text("CLSID\\{11111111-2222-3333-4444-555555555555}\\Stale", nullptr, "old"), ERROR_SUCCESS);
  ASSERT_EQ(set_text("CLSID\\{99999999-2222-3333-4444-555555555555}", nullptr, "another class"), ERROR_SUCCESS);
  std::string error;
  ASSERT_EQ(run_registry_script(SCRIPT, true, {{"MODULE", "/lib/thing.so"}}, &error), S_OK) << error;
  EXPECT_EQ(registry_string(HKEY_CLASSES_ROOT, "Sample.Thing", nullptr), "Thing Class");
  EXPECT_EQ(registry_string(HKEY_CLASSES_ROOT, "Sample.Thing\\CurVer", nullptr), "Sample.Thing.1");
  const char* server = "CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32";
  EXPECT_EQ(registry_string(HKEY_CLASSES_ROOT, server, nullptr), "/lib/thing.so");
  EXPECT_EQ(registry_string(HKEY_CLASSES_ROOT, server, "ThreadingModel"), "Apartment");
  EXPECT_EQ(registry_string(HKEY_CLASSES_ROOT, server, "Percent"), "100%");
  EXPECT_TRUE(key_exists("CLSID\\{11111111-2222-3333-4444-555555555555}\\Programmable"));
  EXPECT_FALSE(key_exists("CLSID\\{11111111-2222-3333-4444-555555555555}\\Stale")) << "ForceRemove clears it first";

  ASSERT_EQ(run_registry_script(SCRIPT, false, {{"MODULE", "/lib/thing.so"}}), S_OK);
  EXPECT_FALSE(key_exists("Sample.Thing"));
  EXPECT_FALSE(key_exists("Sample.Thing.1"));
  EXPECT_FALSE(key_exists("CLSID\\{11111111-2222-3333-4444-555555555555}"));
  EXPECT_TRUE(key_exists("CLSID")) << "NoRemove";
  EXPECT_TRUE(key_exists("CLSID\\{99999999-2222-3333-4444-555555555555}"));
  EXPECT_EQ(run_registry_script(SCRIPT, false, {{"MODULE", "/lib/thing.so"}}), S_OK) << "twice is harmless";
}

TEST_F(Registry, UnregistrationKeepsKeysOthersStillUse) {
  ASSERT_EQ(run_registry_script(SCRIPT, true, {{"MODULE", "/lib/thing.so"}}), S_OK);
  ASSERT_EQ(set_text("Sample.Thing\\Extra", nullptr, "someone else's"), ERROR_SUCCESS);
  ASSERT_EQ(run_registry_script(SCRIPT, false, {{"MODULE", "/lib/thing.so"}}), S_OK);
  EXPECT_TRUE(key_exists("Sample.Thing\\Extra"));
  EXPECT_FALSE(key_exists("Sample.Thing\\CLSID"));
  EXPECT_EQ(registry_string(HKEY_CLASSES_ROOT, "Sample.Thing", nullptr), std::nullopt);
}

TEST_F(Registry, MalformedScriptsChangeNothing) {
  struct Case {
    const char* script;
    const char* error;
  } cases[] = {
      {"HKLM { }", "line 1: only HKCR is served"},
      {"HKCR {\n  Key = s 'unterminated\n}", "line 2: unterminated quoted text"},
      {"HKCR {\n  Key = s '%UNKNOWN%'\n}", "line 2: unknown replacement in '%UNKNOWN%'"},
      {"HKCR {\n  Key = x 'v'\n}", "line 2: expected s or d"},
      {"HKCR {\n  Key = d 'seven'\n}", "line 2: malformed number"},
      {"HKCR {\n  Key {\n}", "line 3: unexpected end of the script"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(run_registry_script(c.script, true, {}, &error), DISP_E_EXCEPTION) << c.script;
    EXPECT_EQ(error, c.error) << c.script;
  }
  EXPECT_FALSE(std::filesystem::exists(path_));
}

}  // namespace
