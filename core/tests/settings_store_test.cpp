#include "core/frame/settings_store.h"

#include <gtest/gtest.h>

#include "core/frame/program_startup.h"
#include "core/frame/runtime_locale.h"
#include "platform/base/debug_sink.h"
#include "platform/base/locale_texts.h"
#include "platform/base/runtime_errors.h"

namespace core {
namespace {

TEST(SettingsStore, KeepsTheProgramIniOnlyWhileOpen) {
  SettingsStore store;
  EXPECT_FALSE(store.update("AnyFont", "FontSize", "11")) << "not open yet";
  EXPECT_EQ(store.fetch("AnyFont", "FontSize", "9"), "9");
  store.Init(kProgramIni);
  EXPECT_TRUE(store.update("AnyFont", "FontName", "Roboto Medium"));
  SettingsStore reader;
  reader.Init(".\\VARNETA.ini");  // the same file, whatever the case
  EXPECT_EQ(reader.fetch("anyfont", "fontname"), "Roboto Medium");
  store.Kill();
  EXPECT_EQ(store.fetch("AnyFont", "FontName", "-"), "-");
  EXPECT_EQ(reader.fetch("AnyFont", "FontName", "-"), "Roboto Medium") << "written at once";
}

TEST(RuntimeLocale, EverySettingOfTheStartIsAccepted) {
  rt::DebugCapture capture;
  EXPECT_TRUE(applyRuntimeLocale());
  EXPECT_TRUE(capture.lines().empty());
  EXPECT_EQ(rt::monthName(9), "Septiembre");
  EXPECT_EQ(rt::buttonCaption(rt::StandardButton::Ok), "Continuar");
  EXPECT_EQ(rt::errorText(35), "Registro no encontrado");
}

}  // namespace
}  // namespace core
