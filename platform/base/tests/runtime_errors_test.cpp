#include "platform/base/runtime_errors.h"

#include <gtest/gtest.h>

#include "platform/base/cp1252.h"
#include "platform/base/locale_settings.h"
#include "platform/base/locale_texts.h"
#include "platform/base/text_order.h"

namespace {

std::string w(const char* utf8) { return rt::utf8ToCp1252(utf8); }

class RuntimeErrors : public ::testing::Test {
 protected:
  void TearDown() override { rt::clearError(); }
};

TEST_F(RuntimeErrors, EveryCodeHasItsSpanishText) {
  const int codes[] = {2,  3,  4,  5,  7,  8,  30, 32, 33, 35, 36,  37, 38, 40,
                       43, 45, 46, 47, 48, 52, 53, 54, 56, 57, 63,  64, 65, 73,
                       75, 76, 77, 78, 79, 80, 81, 88, 89, 90, 800, 801};
  for (int code : codes) EXPECT_FALSE(rt::errorText(code).empty()) << code;
  EXPECT_EQ(rt::errorText(35), "Registro no encontrado");
  EXPECT_EQ(rt::errorText(53), "Archivo no valido para Varneta");
  EXPECT_EQ(rt::errorText(800), w("La expresión no es sintácticamente correcta"));
  EXPECT_EQ(rt::errorText(76), w("Cadena del Índice no válida"));
  EXPECT_EQ(rt::errorText(0), "");
  EXPECT_EQ(rt::errorText(34), "");
}

TEST_F(RuntimeErrors, DescriptionQuotesTextAndCodeOrTheDriversOwn) {
  rt::setError(rt::error::RecordNotFound);
  EXPECT_EQ(rt::errorCode(), 35);
  EXPECT_EQ(rt::errorText(), "Registro no encontrado");
  EXPECT_EQ(rt::errorDescription(), "Registro no encontrado (35)");

  rt::setFileError(11, "database disk image is malformed   ");
  EXPECT_EQ(rt::errorCode(), 90);
  EXPECT_EQ(rt::fileErrorCode(), "11");
  EXPECT_EQ(rt::errorDescription(), "database disk image is malformed (11)");

  // Another error clears the driver's part.
  rt::setError(rt::error::AccessDenied);
  EXPECT_EQ(rt::fileError(), "");
  EXPECT_EQ(rt::fileErrorCode(), "");
  EXPECT_EQ(rt::errorDescription(), "Acceso denegado (5)");
}

TEST_F(RuntimeErrors, FreeingAThreadsStatusStartsItClear) {
  rt::setFileError("SQLITE_BUSY", "database is locked");
  rt::freeThreadErrors(rt::currentThreadNumber());
  EXPECT_EQ(rt::errorCode(), 0);
  EXPECT_EQ(rt::fileError(), "");
}

TEST(LocaleSettings, AppliesTextsAndChecksTheCompiledTables) {
  // The start-up values themselves are accepted.
  EXPECT_TRUE(rt::setLocaleSetting("CLACHARSET", "WINDOWS"));
  EXPECT_TRUE(rt::setLocaleSetting("CLAAMPM", "WINDOWS"));
  EXPECT_TRUE(rt::setLocaleSetting("CLACOLSEQ", w("AÄÅÆÁÀaàáâäåæBbCÇcçDdEÉeèéêëFfGgHhIÍiìíîïJjKkLlM"
                                                  "mNnÑñOÖÓoòóôöPpQqRrSsTtUÜÚuùúûüVvWwXxYyZz")));
  EXPECT_TRUE(rt::setLocaleSetting("CLACASE", w("ÆÁÇÉÍÑÓÜÚ,áçéíñóüú")));
  EXPECT_TRUE(rt::setLocaleSetting("CLAMONTH",
                                   "Enero,Febrero,Marzo,Abril,Mayo,Junio,Julio,Agosto,"
                                   "Septiembre,Octubre,Noviembre,Diciembre"));
  EXPECT_TRUE(rt::setLocaleSetting("CLAMON", "Ene,Feb,Mar,Abr,May,Jun,Jul,Ago,Sep,Oct,Nov,Dic"));
  EXPECT_TRUE(rt::setLocaleSetting(
      "CLABUTTON", "Continuar,&Si,&No,&Abortar,&Ignorar,&Reintentar,Cancelar,&Ayuda"));
  EXPECT_TRUE(rt::setLocaleSetting("CLAMSG35", "Registro no encontrado"));
  EXPECT_EQ(rt::monthName(9), "Septiembre");
  EXPECT_EQ(rt::buttonCaption(rt::StandardButton::Retry), "&Reintentar");

  // Tables that differ from the compiled ones, unknown settings and lists of
  // the wrong length are refused and change nothing.
  EXPECT_FALSE(rt::setLocaleSetting("CLACOLSEQ", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
  EXPECT_FALSE(rt::setLocaleSetting("CLACASE", w("ÁÉ,áé")));
  EXPECT_FALSE(rt::setLocaleSetting("CLACHARSET", "ANSI"));
  EXPECT_FALSE(rt::setLocaleSetting("CLAMON", "Ene,Feb"));
  EXPECT_FALSE(rt::setLocaleSetting("CLAMSGx", "texto"));
  EXPECT_FALSE(rt::setLocaleSetting("CLAFOO", "x"));
  EXPECT_EQ(rt::monthShortName(2), "Feb");

  // Applied texts take effect; names ignore case.
  ASSERT_TRUE(rt::setLocaleSetting("clamsg801", "Variable desconocida"));
  EXPECT_EQ(rt::errorText(801), "Variable desconocida");
  rt::setErrorText(801, w("No se encontró la variable"));
  ASSERT_TRUE(rt::setLocaleSetting("CLAMON", "E,F,M,A,M,J,J,A,S,O,N,D"));
  EXPECT_EQ(rt::monthShortName(12), "D");
  rt::setMonthShortNames("Ene,Feb,Mar,Abr,May,Jun,Jul,Ago,Sep,Oct,Nov,Dic");
}

}  // namespace
