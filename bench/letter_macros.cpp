// Replacing the references of a 10,000-character letter holding 500 of them
// (patient, physician, date and user references mixed).
#include <benchmark/benchmark.h>

#include <string>

#include "letters/macro_substitution.h"

namespace {

void BM_ReplaceFiveHundredReferences(benchmark::State& state) {
  const letters::SystemMacroValues values = {{"***FECHA***", " 5 de Setiembre de 2026"},
                                             {"***PACNOMBRE***", "Ana Perez"},
                                             {"***MEDNOMBRE***", "Luis Gomez"}};
  const letters::MacroList qma = {{"Diagnostico", "gripe estacional", "DIAGNOSTICO"}};
  const char* references[] = {"***PACNOMBRE***", "***MEDNOMBRE***", "***FECHA***",
                              "***DIAGNOSTICO***"};
  std::string letter = "{\\rtf1\\ansi ";
  for (int i = 0; i < 500; ++i) letter += std::string("texto ") + references[i % 4] + " ";
  while (letter.size() < 9999) letter += 'x';
  letter += '}';
  for (auto _ : state) {
    std::string copy = letter;
    benchmark::DoNotOptimize(letters::ReemplazarMacros(copy, qma, values));
  }
  state.SetLabel(std::to_string(letter.size()) + " characters, 500 references");
}
BENCHMARK(BM_ReplaceFiveHundredReferences)->Unit(benchmark::kMillisecond);

}  // namespace
