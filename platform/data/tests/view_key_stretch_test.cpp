// A view whose filter expression holds the key's numeric fields to a stretch
// of values reads only that stretch, through the key that puts the fields
// the filter fixes before the view's own, and shows what a walk of every
// record through the filter shows, in the same order, either way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/data/record_names.h"
#include "platform/data/tests/test_tables.h"
#include "platform/data/view.h"

namespace rt::testing {
namespace {

// Visits by date (skipping an empty date), by patient and date, by patient.
const TableDef& visits() {
  static const TableDef def =
      TableBuilder("Visitas", "VIS", "VISITAS", plainFile(), 1)
          .field<UShort>("Paciente")
          .field<DateField>("Fecha")
          .field<String<20>>("Motivo")
          .key("VIS01", "Fecha", KeyKind::Duplicates, true, "Fecha")
          .key("VIS02", "Paciente,Fecha", KeyKind::Duplicates, true, "Paciente y Fecha")
          .key("VIS03", "Paciente", KeyKind::Duplicates, true, "Paciente")
          .build();
  return def;
}
enum { kPaciente, kFecha, kMotivo };
enum { kByDate, kByPatientDate, kByPatient };

class ViewKeyStretchTest : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    Table& t = open(visits());
    // Patients 3 and 4 over dates 0 to 30, some dates twice, one visit
    // without a date (the date key leaves it out).
    const int rows[][2] = {{3, 10}, {4, 10}, {3, 12}, {4, 11}, {3, 0},  {3, 25}, {4, 5},
                           {3, 10}, {4, 30}, {3, 5},  {4, 12}, {5, 11}, {3, 30}};
    int n = 0;
    for (const auto& [patient, day] : rows) {
      t.clear();
      setFieldNumber(visits().fields[kPaciente], t.record(), patient);
      setFieldNumber(visits().fields[kFecha], t.record(), day);
      setFieldText(visits().fields[kMotivo], t.record(), "v" + std::to_string(++n));
      ASSERT_EQ(t.add(), 0);
    }
    reads.bind("LOC:Leidos", Binding::number([this] { return ++read; }));
  }
  void TearDown() override {
    table(visits()).close();
    DataTest::TearDown();
  }

  static std::string reason() {
    return std::string(clip(fieldText(visits().fields[kMotivo], table(visits()).record())));
  }
  // The reasons the view shows, forwards or backwards from its start.
  static std::vector<std::string> shown(View& v, bool forward = true) {
    std::vector<std::string> seen;
    v.setToStart();
    while ((forward ? v.next() : v.previous()) == 0) {
      seen.push_back(reason());
      resetTableStatements();  // as when the fiber suspends
    }
    return seen;
  }

  BindingTable reads;  // LOC:Leidos counts the records the filter is asked about
  double read = 0;
};

// Every record through the filter, as a walk of the whole key shows it.
std::vector<std::string> everyRecordThrough(const std::string& condition) {
  View all(visits(), kByDate);
  const FilterExpression e(condition, RecordNames({&visits()}));
  all.setFilter([&e] { return e.matches(); });
  std::vector<std::string> seen;
  all.setToStart();
  while (all.next() == 0) {
    seen.push_back(
        std::string(clip(fieldText(visits().fields[kMotivo], table(visits()).record()))));
  }
  return seen;
}

TEST_F(ViewKeyStretchTest, ReadsOnlyTheStretchTheFilterHoldsTheKeyTo) {
  struct Case {
    std::string condition;
    int stretch;  // records the view reads
  };
  const Case cases[] = {
      {"VIS:Fecha >= 10 AND VIS:Fecha <= 12", 7},
      {"(VIS:Fecha > 9.5 AND VIS:Fecha < 11) AND (VIS:Motivo <> 'v2')", 3},
      {"VIS:Paciente = 3", 6},  // not the dateless one: the date key leaves it out
      {"vis:paciente = 3 AND VIS:Fecha >= 6 AND 25 >= VIS:Fecha", 4},
      {"VIS:Paciente = 4 AND VIS:Fecha = 10", 1},
      {"VIS:Paciente = 3 AND VIS:Fecha >= 20 AND VIS:Fecha <= 10", 0},
      {"VIS:Paciente = 9", 0},
      {"VIS:Paciente = 3 OR VIS:Paciente = 5", 12},
      {"NOT VIS:Fecha < 25", 12},
  };
  for (const Case& c : cases) {
    View v(visits(), kByDate);
    ASSERT_EQ(v.setFilter("LOC:Leidos > 0 AND (" + c.condition + ")", &reads).code, 0);
    EXPECT_EQ(v.recordsToRead(), c.stretch) << c.condition;
    read = 0;
    const std::vector<std::string> forward = shown(v);
    EXPECT_EQ(read, c.stretch) << c.condition;
    EXPECT_EQ(forward, everyRecordThrough(c.condition)) << c.condition;
    const std::vector<std::string> backward = shown(v, false);
    EXPECT_EQ(std::vector<std::string>(backward.rbegin(), backward.rend()), forward) << c.condition;
    EXPECT_EQ(v.order().components.size(), 1u) << "the view's own order";
  }
}

// Moved to a record or to key values outside the fixed patient, the walk
// goes on from that date among the patient's records, as a walk of the date
// key through the filter does.
TEST_F(ViewKeyStretchTest, PositionsOutsideTheFixedValuesGoOnFromTheirDate) {
  View v(visits(), kByDate);
  ASSERT_EQ(v.setFilter("VIS:Paciente = 3").code, 0);
  EXPECT_EQ(shown(v), (std::vector<std::string>{"v10", "v1", "v8", "v3", "v6", "v13"}));
  View all(visits(), kByDate);
  all.setToStart();
  while (all.next() == 0 && reason() != "v4") {
  }
  ASSERT_EQ(reason(), "v4");  // patient 4 on day 11
  ASSERT_EQ(v.reset(all.position()), 0);
  ASSERT_EQ(v.next(), 0);
  EXPECT_EQ(reason(), "v3");
  ASSERT_EQ(v.reset(all.position()), 0);
  ASSERT_EQ(v.previous(), 0);
  EXPECT_EQ(reason(), "v8");
  Table& t = table(visits());
  t.clear();
  setFieldNumber(visits().fields[kPaciente], t.record(), 4);
  setFieldNumber(visits().fields[kFecha], t.record(), 25);
  v.setFromBuffer();
  ASSERT_EQ(v.next(), 0);
  EXPECT_EQ(reason(), "v6");
  // A filter given after the walk began starts it again on its own stretch.
  ASSERT_EQ(v.setFilter("VIS:Paciente = 4").code, 0);
  ASSERT_EQ(v.next(), 0);
  EXPECT_EQ(reason(), "v7");
  v.setFilter(View::Filter{});
  EXPECT_EQ(v.recordsToRead(), 12);
}

}  // namespace
}  // namespace rt::testing
