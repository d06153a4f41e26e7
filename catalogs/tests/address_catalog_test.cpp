// Provinces and localities: the province code a locality holds as text, the
// joined name in the list and the form, the province lookup of the locality
// form, its refusals, the 99-province limit, a caller's locality lookup and a
// saved query loaded back.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "catalogs/register_procedures.h"
#include "catalogs/tests/catalog_fixture.h"
#include "platform/base/cp_literal.h"
#include "platform/base/procedures.h"

namespace catalogs {
namespace {

using rt::testing::click;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;
using testing::columnTexts;
using testing::ProbedList;
using testing::selectRow;

constexpr char kLocalityForm[] = "Actualizando un registro de Localidades";
constexpr char kProvinceList[] = "Examinando el archivo de Provincias";
constexpr char kLocalityList[] = "Examinando el archivo de Localidades";

using testing::cp;

class AddressCatalog : public testing::CatalogWindows {
 protected:
  // Provinces 1 to 5: Salta, Jujuy, Córdoba, Chaco, Buenos Aires.
  static void addProvinces() {
    for (const char* name : {"Salta", "Jujuy", "Córdoba", "Chaco", "Buenos Aires"}) {
      add(core::Provincias::def(), {{"Provincia", cp(name)}});
    }
  }
  static std::int64_t addLocality(std::uint32_t postal, const char* name, const char* province) {
    return add(core::Localidades::def(), {{"Cod_Postal", std::to_string(postal)},
                                          {"NombreLocalidad", name},
                                          {"Cod_Provincia", province}});
  }
  static int runLocalityForm(int request) {
    rt::ThreadRequest() = static_cast<std::uint8_t>(request);
    return FormularioLocalidades();
  }
  static QString provinceShown(rt::WindowDriver& w) {
    return w.control<QLabel>("?PRV:PROVINCIA")->text();
  }
};

TEST_F(AddressCatalog, AProvinceCodeIsTheNumberItsTextReads) {
  struct Case {
    std::uint32_t postal;
    const char* code;
    const char* shown;
  } cases[] = {{1001, "5", "Buenos Aires"},
               {1002, " 5", "Buenos Aires"},
               {1003, "05", "Buenos Aires"},
               {1004, "", ""},
               {1005, "9", ""},
               {1006, "x", ""}};
  onThread([&] {
    addProvinces();
    for (const Case& c : cases) addLocality(c.postal, "Lugar", c.code);
    // The list, by name then by key: every locality, unknown provinces blank.
    ProbedList list(*catalogList("ExaminarLocalidades"));
    list.probe([&](CatalogList& l) {
      std::vector<std::string> expected;
      for (const Case& c : cases) expected.push_back(c.shown);
      EXPECT_EQ(columnTexts(l, 2), expected);
      click(l, "?CLOSE");
    });
    list.Run();
    // The form shows the same name, or none.
    for (const Case& c : cases) {
      core::LOC().Cod_Postal = c.postal;
      ASSERT_EQ(core::Localidades::table().fetch(core::Localidades::LOC01), 0);
      WindowScript script;
      script.on(kLocalityForm, [&](rt::WindowDriver& w) {
        EXPECT_EQ(provinceShown(w), c.shown) << c.code;
        click(w, "?CANCEL");
      });
      EXPECT_EQ(runLocalityForm(core::request::Change), rt::kCancelled);
      EXPECT_EQ(script.pending(), 0);
    }
  });
}

TEST_F(AddressCatalog, TheProvinceIsLookedUpOnlyWhenItsCodeIsUnknownOrBlank) {
  onThread([&] {
    addProvinces();
    rt::ThreadRequest() = core::request::Insert;
    core::testing::Probed<LocalityForm> form;
    int listsOpened = 0;
    WindowScript lists;
    // Typed 7: unknown, the list opens and Córdoba (3) is chosen.
    lists
        .on(kProvinceList,
            [&](rt::WindowDriver& w) {
              ++listsOpened;
              auto& l = static_cast<CatalogList&>(w);
              const std::vector<std::string> names = columnTexts(l, 1);
              const auto at = std::find(names.begin(), names.end(), cp("Córdoba"));
              selectRow(l, static_cast<int>(at - names.begin()));
              click(w, "?SELECT");
            })
        // The lookup button on the known code 3: the list opens at Córdoba, and
        // closing it keeps the code.
        .on(kProvinceList,
            [&](rt::WindowDriver& w) {
              ++listsOpened;
              auto& l = static_cast<CatalogList&>(w);
              EXPECT_EQ(testing::selectedText(l, 1), cp("Córdoba"));
              click(w, "?CLOSE");
            })
        // A blank code: the list opens; closed without a choice.
        .on(kProvinceList,
            [&](rt::WindowDriver& w) {
              ++listsOpened;
              click(w, "?CLOSE");
            })
        // OK with the code still blank: the list opens again; Salta chosen.
        .on(kProvinceList, [&](rt::WindowDriver& w) {
          ++listsOpened;
          auto& l = static_cast<CatalogList&>(w);
          const std::vector<std::string> names = columnTexts(l, 1);
          const auto at = std::find(names.begin(), names.end(), "Salta");
          selectRow(l, static_cast<int>(at - names.begin()));
          click(w, "?SELECT");
        });
    auto typeProvince = [](LocalityForm& f, const char* code) {
      f.control<QLineEdit>("?LOC:COD_PROVINCIA")->setText(code);
      f.post(rt::event::Accepted, f.control("?LOC:COD_PROVINCIA"));
    };
    form.probe([&](LocalityForm& f) {
      f.control<QLineEdit>("?LOC:COD_POSTAL")->setText("4400");
      f.control<QLineEdit>("?LOC:NOMBRELOCALIDAD")->setText("Salta Capital");
      typeProvince(f, "5");
    });
    form.probe([&](LocalityForm& f) {
      EXPECT_EQ(listsOpened, 0);  // known: shown without the list
      EXPECT_EQ(provinceShown(f), "Buenos Aires");
      typeProvince(f, "7");
    });
    form.probe([&](LocalityForm& f) {
      EXPECT_EQ(listsOpened, 1);
      EXPECT_EQ(f.control<QLineEdit>("?LOC:COD_PROVINCIA")->text().trimmed(), "3");
      EXPECT_EQ(provinceShown(f), QString::fromUtf8("Córdoba"));
      click(f, "?BUSCARPROVINCIA");
    });
    form.probe([&](LocalityForm& f) {
      EXPECT_EQ(listsOpened, 2);
      EXPECT_EQ(f.control<QLineEdit>("?LOC:COD_PROVINCIA")->text().trimmed(), "3");
      f.control("?LOC:NOMBRELOCALIDAD")->setFocus();
      typeProvince(f, "");
    });
    form.probe([&](LocalityForm& f) {
      EXPECT_EQ(listsOpened, 3);
      EXPECT_EQ(f.control<QLineEdit>("?LOC:COD_PROVINCIA")->text(), "");
      EXPECT_EQ(f.window()->focusWidget(), f.control("?LOC:COD_PROVINCIA"));
      click(f, "?OK");
    });
    EXPECT_EQ(form.Run(), rt::kCompleted);
    EXPECT_EQ(listsOpened, 4);
    core::LOC().Cod_Postal = 4400;
    ASSERT_EQ(core::Localidades::table().fetch(core::Localidades::LOC01), 0);
    EXPECT_EQ(std::string(core::LOC().Cod_Provincia.view()), "1 ");  // plain digits
  });
}

TEST_F(AddressCatalog, ADuplicatePostalCodeIsRefusedAndTheFormStays) {
  ScriptedMessages messages;
  onThread([&] {
    addProvinces();
    addLocality(4400, "Salta", "1");
    rt::ThreadRequest() = core::request::Insert;
    core::testing::Probed<LocalityForm> form;
    form.probe([](LocalityForm& f) {
      f.control<QLineEdit>("?LOC:COD_POSTAL")->setText("4400");
      f.control<QLineEdit>("?LOC:NOMBRELOCALIDAD")->setText("Otra");
      f.control<QLineEdit>("?LOC:COD_PROVINCIA")->setText("1");
      click(f, "?OK");
    });
    form.probe([](LocalityForm& f) {
      EXPECT_TRUE(f.isOpen());
      // Esc does not close a protected form: it moves to OK.
      f.control("?LOC:NOMBRELOCALIDAD")->setFocus();
      QTest::keyClick(f.control("?LOC:NOMBRELOCALIDAD"), Qt::Key_Escape);
    });
    form.probe([](LocalityForm& f) {
      EXPECT_TRUE(f.isOpen());
      EXPECT_EQ(f.window()->focusWidget(), f.control("?OK"));
      f.control<QLineEdit>("?LOC:COD_POSTAL")->setText("4401");
      click(f, "?OK");
    });
    EXPECT_EQ(form.Run(), rt::kCompleted);
    EXPECT_EQ(core::Localidades::table().records(), 2);
  });
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].caption, "Error Clave Duplicada");
  EXPECT_NE(messages.asked()[0].text.find("Codigo postal"), std::string::npos);
}

// The declared relation stands: a locality whose province exists is not
// deleted, naming "Provincias"; one of an unknown province goes.
TEST_F(AddressCatalog, DeletingALocalityFollowsTheDeclaredRelations) {
  onThread([&] {
    addProvinces();
    const std::int64_t known = addLocality(4400, "Salta", "1");
    const std::int64_t unknown = addLocality(9999, "Perdida", "42");
    {
      ScriptedMessages answers({rt::button::Yes});
      ASSERT_EQ(core::Localidades::table().fetchPosition(known), 0);
      EXPECT_EQ(runLocalityForm(core::request::Delete), rt::kCancelled);
      ASSERT_EQ(answers.asked().size(), 2u);
      EXPECT_NE(answers.asked()[1].text.find("Provincias"), std::string::npos);
    }
    ScriptedMessages answers({rt::button::Yes});
    ASSERT_EQ(core::Localidades::table().fetchPosition(unknown), 0);
    EXPECT_EQ(runLocalityForm(core::request::Delete), rt::kCompleted);
    EXPECT_EQ(core::Localidades::table().records(), 1);
    EXPECT_EQ(core::Provincias::table().records(), 5);
  });
}

// A province a locality names, by any text that reads as its code, is not
// deleted: its code would go to the next province added, and the locality
// with it.
TEST_F(AddressCatalog, AProvinceALocalityNamesIsNotDeleted) {
  onThread([&] {
    addProvinces();
    const std::int64_t first = addLocality(4000, "San Miguel", "03");
    const std::int64_t second = addLocality(4107, "Yerba Buena", " 3");
    auto deleteProvince = [](std::int16_t code) {
      core::PRV().Cod_Provincia = code;
      EXPECT_EQ(core::Provincias::table().fetch(core::Provincias::PRV01), 0);
      rt::ThreadRequest() = core::request::Delete;
      return FormularioProvincia();
    };
    for (const std::int64_t locality : {first, second}) {
      ScriptedMessages answers({rt::button::Yes});
      EXPECT_EQ(deleteProvince(3), rt::kCancelled);
      ASSERT_EQ(answers.asked().size(), 2u);
      EXPECT_EQ(answers.asked()[1].caption, "Error de Integridad Referencial (Borrado)");
      EXPECT_NE(answers.asked()[1].text.find("desde la tabla Localidades."), std::string::npos)
          << answers.asked()[1].text;
      EXPECT_EQ(core::Provincias::table().records(), 5);
      ASSERT_EQ(core::Localidades::table().fetchPosition(locality), 0);
      ASSERT_EQ(core::Localidades::table().remove(), 0);
    }
    ScriptedMessages answers({rt::button::Yes, rt::button::Yes});
    EXPECT_EQ(deleteProvince(3), rt::kCompleted);
    EXPECT_EQ(deleteProvince(4), rt::kCompleted);  // named by no locality
    EXPECT_EQ(core::Provincias::table().records(), 3);
  });
}

TEST_F(AddressCatalog, ProvincesStopAt99AndAnOlderOneAbove99IsNotTakenByALocality) {
  ScriptedMessages messages;
  onThread([&] {
    for (int i = 1; i <= 99; ++i) add(core::Provincias::def(), {{"Provincia", "P"}});
    rt::ThreadRequest() = core::request::Insert;
    EXPECT_EQ(FormularioProvincia(), rt::kCancelled);
    EXPECT_EQ(core::Provincias::table().records(), 99);  // nothing reserved
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].caption, "Error de Rango");
    EXPECT_NE(messages.asked()[0].text.find(cp("Cód. de Provincia")), std::string::npos);
    EXPECT_NE(messages.asked()[0].text.find("1 .. 99"), std::string::npos);

    // A province stored with code 150 before the limit.
    core::Provincias::table().clear();
    core::PRV().Cod_Provincia = 150;
    core::PRV().Provincia = "Antigua";
    ASSERT_EQ(core::Provincias::table().add(), 0);
    rt::ThreadRequest() = core::request::Insert;
    core::testing::Probed<LocalityForm> form;
    WindowScript lists;
    lists.on(kProvinceList, [](rt::WindowDriver& w) {
      auto& l = static_cast<CatalogList&>(w);
      selectRow(l, 0);  // "Antigua" sorts first
      EXPECT_EQ(testing::selectedText(l, 1), "Antigua");
      click(w, "?SELECT");
    });
    form.probe([](LocalityForm& f) {
      EXPECT_EQ(f.control<QLineEdit>("?LOC:COD_PROVINCIA")->maxLength(), 2);
      click(f, "?BUSCARPROVINCIA");
    });
    form.probe([](LocalityForm& f) {
      EXPECT_EQ(f.control<QLineEdit>("?LOC:COD_PROVINCIA")->text(), "");
      EXPECT_EQ(provinceShown(f), "");
      click(f, "?CANCEL");
    });
    form.Run();
    EXPECT_EQ(lists.pending(), 0);
  });
  ASSERT_EQ(messages.asked().size(), 2u);
  EXPECT_EQ(messages.asked()[1].caption, "Error de Rango");
}

// A caller (the patient form) looks a postal code up by name through the
// registry: chosen, the code is in the buffer; cancelled, its own stays.
TEST_F(AddressCatalog, ACallersLookupOfAnUnknownPostalCode) {
  registerProcedures();
  onThread([&] {
    addProvinces();
    addLocality(4400, "Salta", "1");
    addLocality(4600, "Jujuy", "2");
    for (bool choose : {true, false}) {
      core::LOC().Cod_Postal = 1234;
      ASSERT_NE(core::Localidades::table().fetch(core::Localidades::LOC01), 0);
      WindowScript script;
      script.on(kLocalityList, [&](rt::WindowDriver& w) {
        auto& l = static_cast<CatalogList&>(w);
        EXPECT_TRUE(w.control("?SELECT")->isVisible());
        selectRow(l, 0);  // Jujuy
        click(w, choose ? "?SELECT" : "?CLOSE");
      });
      rt::ThreadRequest() = core::request::Select;
      const int answer = rt::callProcedure("ExaminarLocalidades");
      EXPECT_EQ(answer, choose ? rt::kCompleted : rt::kCancelled);
      EXPECT_EQ(rt::ThreadResponse(), answer);
      EXPECT_EQ(core::LOC().Cod_Postal, choose ? 4600u : 1234u);
      if (choose) {
        EXPECT_EQ(std::string(core::PRV().Provincia.view()).substr(0, 5), "Jujuy");
      }
    }
  });
}

TEST_F(AddressCatalog, ASavedQueryIsLoadedBack) {
  onThread([&] {
    for (const char* name : {"OSDE", "Swiss Medical", "PAMI"}) {
      add(core::Coberturas_Medicas::def(), {{"Descripcion", name}});
    }
    ProbedList list(*catalogList("ExaminarCoberturas"));
    WindowScript queries;
    queries
        .on("Consulta",
            [](rt::WindowDriver& w) {
              w.control<QLineEdit>("?QUERYVALUE2")->setText("med");
              w.control<QComboBox>("?QUERYNAME")->setEditText("Medicas");
              click(w, "?SAVEQUERY");
              click(w, "?OK");
            })
        .on("Consulta", [](rt::WindowDriver& w) {
          auto* names = w.control<QComboBox>("?QUERYNAME");
          EXPECT_EQ(names->count(), 1);
          w.control<QLineEdit>("?QUERYVALUE2")->clear();
          names->setCurrentIndex(0);
          click(w, "?LOADQUERY");
          click(w, "?OK");
        });
    list.probe([](CatalogList& l) { click(l, "?QUERY"); });
    list.probe([](CatalogList& l) {
      EXPECT_EQ(columnTexts(l, 1), std::vector<std::string>{"Swiss Medical"});
      l.browser().SetFilter("", core::kQueryFilterId);
      l.browser().ApplyFilter();
      l.browser().ResetView();
      EXPECT_EQ(columnTexts(l, 1).size(), 3u);
      click(l, "?QUERY");
    });
    list.probe([](CatalogList& l) {
      EXPECT_EQ(columnTexts(l, 1), std::vector<std::string>{"Swiss Medical"});
      click(l, "?CLOSE");
    });
    list.Run();
    EXPECT_EQ(queries.pending(), 0);
  });
  // Kept under the list's query name, not its procedure name.
  EXPECT_EQ(core::settingsStore().fetch("Examinar_Coberturas", "QBE Consultas"), "Medicas|");
  EXPECT_EQ(core::settingsStore().fetch("ExaminarCoberturas", "QBE Consultas"), "");
}

TEST_F(AddressCatalog, TwoLocalitiesOfOneNameAreBothListedInKeyOrder) {
  onThread([&] {
    addLocality(5000, "San Martín", "");
    addLocality(3000, "San Martín", "");
    ProbedList list(*catalogList("ExaminarLocalidades"));
    list.probe([](CatalogList& l) {
      EXPECT_EQ(columnTexts(l, 0), (std::vector<std::string>{"5000", "3000"}));
      click(l, "?CLOSE");
    });
    list.Run();
  });
}

}  // namespace
}  // namespace catalogs
