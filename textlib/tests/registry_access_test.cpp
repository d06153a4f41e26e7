#include "textlib/registry_access.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/message_hook.h"
#include "platform/base/procedures.h"
#include "textlib/register_procedures.h"

namespace textlib {
namespace {

using rt::RegistryRoot;

constexpr char kKey[] = "Software\\Tolvane\\Varneta";

class RegistryAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove_all(rt::registryFilePath());
    previous_ = rt::setMessageHandler([this](const rt::MessageRequest& request) {
      shown.push_back(request);
      return rt::button::Ok;
    });
  }
  void TearDown() override {
    rt::setMessageHandler(previous_);
    std::filesystem::remove_all(rt::registryFilePath());
  }
  void expectError(const char* op, const char* code, const std::string& key) {
    EXPECT_EQ(registry.LASTOP, op);
    EXPECT_EQ(registry.LASTERROR, code);
    EXPECT_EQ(registry.LASTKEYNAME, key);
  }
  void expectNoError() { expectError("", "", ""); }

  RegistryAccess registry;
  std::vector<rt::MessageRequest> shown;

 private:
  rt::MessageHandler previous_;
};

TEST_F(RegistryAccessTest, ValuesAreFoundIgnoringCaseAndSurroundingBlanks) {
  rt::registryWriteString(RegistryRoot::CurrentUser, kKey, "Other", "no");
  rt::registryWriteString(RegistryRoot::CurrentUser, kKey, "  Ruta Datos ", "C:\\Datos   ");
  rt::registryWriteNumber(RegistryRoot::CurrentUser, kKey, "Puesto", 3);
  rt::registryWriteString(RegistryRoot::CurrentUser, kKey, "Cortado", std::string("ab\0cd", 5));
  rt::registryWriteString(RegistryRoot::CurrentUser, kKey, "Largo", std::string(300, 'L'));
  struct Case {
    const char* name;
    std::string expected;
  };
  const Case cases[] = {
      {"RUTA DATOS", "C:\\Datos"}, {"ruta datos  ", "C:\\Datos"},    {"Puesto", "3"},
      {"Cortado", "ab"},           {"Largo", std::string(255, 'L')}, {"Falta", "def"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(registry.GetRegValue(RegistryRoot::CurrentUser, kKey, c.name, "def  "), c.expected);
    expectNoError();
  }
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(registry.GetRegValue(RegistryRoot::LocalMachine, kKey, "Other"), "")
      << "the roots are apart";
  expectError("opening", "2", kKey);
}

TEST_F(RegistryAccessTest, AMissingKeyIsAnOpeningErrorShownUnlessQuiet) {
  EXPECT_EQ(registry.GetRegValue(RegistryRoot::CurrentUser, "Software\\Nada  ", "X", "def"), "def");
  expectError("opening", "2", "Software\\Nada");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Error opening Software\\Nada:|2");
  EXPECT_EQ(shown[0].caption, "Error");
  registry.SetQuietMode(1);
  EXPECT_EQ(registry.GetRegValue(RegistryRoot::CurrentUser, "Software\\Nada", "X"), "");
  expectError("opening", "2", "Software\\Nada");
  EXPECT_EQ(shown.size(), 1u) << "quiet: recorded, not shown";
  registry.GetRegValue(RegistryRoot::CurrentUser, "", "X");
  expectNoError();
}

TEST_F(RegistryAccessTest, AValueLargerThanTheBuffersEndsTheSearch) {
  registry.SetQuietMode(1);
  struct Case {
    std::string name;
    std::string data;
    bool fails;
  };
  const Case cases[] = {{std::string(255, 'n'), std::string(4095, 'd'), false},
                        {std::string(256, 'n'), "d", true},
                        {"n", std::string(4096, 'd'), true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.size() + c.data.size());
    std::filesystem::remove(rt::registryFilePath());
    rt::registryWriteString(RegistryRoot::CurrentUser, kKey, c.name, c.data);
    rt::registryWriteString(RegistryRoot::CurrentUser, kKey, "Wanted", "yes");
    EXPECT_EQ(registry.GetRegValue(RegistryRoot::CurrentUser, kKey, "Wanted", "no"),
              c.fails ? "no" : "yes");
    if (c.fails) {
      expectError("retrieving", "234", kKey);
    } else {
      expectNoError();
    }
  }
}

TEST_F(RegistryAccessTest, PutWritesStringValuesAndCreatesTheKey) {
  registry.PutRegValue(RegistryRoot::CurrentUser, "Software\\Nueva\\Clave  ", "Nombre  ",
                       "Varneta  ");
  registry.PutRegValue(RegistryRoot::CurrentUser, "Software\\Nueva\\Clave", "Vacio", "   ");
  registry.PutRegValue(RegistryRoot::CurrentUser, "Software\\Nueva\\Clave", "Largo",
                       std::string(5000, 'x'));
  expectNoError();
  const auto name = rt::registryRead(RegistryRoot::CurrentUser, "Software\\Nueva\\Clave", "Nombre");
  ASSERT_TRUE(name);
  EXPECT_EQ(name->text, "Varneta");
  const auto empty = rt::registryRead(RegistryRoot::CurrentUser, "Software\\Nueva\\Clave", "Vacio");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->type, rt::RegistryValue::Type::String);
  EXPECT_EQ(empty->text, "");
  EXPECT_EQ(rt::registryRead(RegistryRoot::CurrentUser, "Software\\Nueva\\Clave", "Largo")->text,
            std::string(4095, 'x'));
  EXPECT_TRUE(shown.empty());
}

TEST_F(RegistryAccessTest, AFailedWriteNamesWhatFailed) {
  registry.SetQuietMode(1);
  std::filesystem::create_directories(rt::registryFilePath());  // nothing can be written
  registry.PutRegValue(RegistryRoot::CurrentUser, kKey, "Nombre", "x");
  expectError("opening", "5", kKey);
  registry.PutRegValue(RegistryRoot::CurrentUser, "", "Nombre", "x");  // the root exists
  expectError("setting", "5", "Nombre");
  std::filesystem::remove_all(rt::registryFilePath());
  registry.PutRegValue(RegistryRoot::CurrentUser, kKey, "Nombre", "x");
  expectNoError();
}

TEST_F(RegistryAccessTest, WellKnownValues) {
  const std::string manager = "Software\\Microsoft\\Internet Account Manager";
  const std::string account = manager + "\\Accounts\\00000001";
  rt::registryWriteString(RegistryRoot::LocalMachine,
                          "Software\\Microsoft\\Windows\\CurrentVersion", "RegisteredOwner",
                          "Consultorio Sur");
  EXPECT_EQ(registry.GetRegisteredOwner(), "Consultorio Sur");
  EXPECT_EQ(registry.DefaultMailAccountKey_(), "");
  rt::registryWriteString(RegistryRoot::CurrentUser, manager, "Default Mail Account",
                          "00000001 and more");
  EXPECT_EQ(registry.DefaultMailAccountKey_(), account) << "the id is cut to 8 characters";
  rt::registryWriteString(RegistryRoot::CurrentUser, account, "SMTP Server", "smtp.example.org");
  rt::registryWriteString(RegistryRoot::CurrentUser, account, "SMTP Email Address", "a@b.c");
  rt::registryWriteString(RegistryRoot::CurrentUser, account, "SMTP Reply To Email Address",
                          "r@b.c");
  rt::registryWriteString(RegistryRoot::CurrentUser, account, "SMTP Display Name", "Dra. Paz");
  EXPECT_EQ(registry.GetSmtpServer(), "smtp.example.org");
  EXPECT_EQ(registry.GetSmtpEmailAddress(), "a@b.c");
  EXPECT_EQ(registry.GetSmtpReplyTo(), "r@b.c");
  EXPECT_EQ(registry.GetSmtpDisplayName(), "Dra. Paz");
}

TEST_F(RegistryAccessTest, TheProcessObjectFollowsTheStartUpHooks) {
  registerProcedures();
  rt::callProcedure("RegistryAccess.Construct");
  RegistryAccess* made = &registryAccess();
  EXPECT_EQ(made->QUIETMODE, 0);
  rt::callProcedure("RegistryAccess.SetQuietMode", {"1"});
  EXPECT_EQ(registryAccess().QUIETMODE, 1);
  registryAccess().GetRegValue(RegistryRoot::CurrentUser, "Software\\Nada", "X");
  EXPECT_TRUE(shown.empty());
  rt::callProcedure("RegistryAccess.Destruct");
  rt::callProcedure("RegistryAccess.Construct");
  EXPECT_EQ(registryAccess().QUIETMODE, 0) << "made anew";
  rt::callProcedure("RegistryAccess.Destruct");
}

}  // namespace
}  // namespace textlib
