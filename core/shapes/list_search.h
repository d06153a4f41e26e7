#pragma once
// The list search: the dialog that builds a MATCH expression from one of a
// list's columns and a typed value, and the list side that reads the list's
// view forward, a tick at a time, until a record satisfies it and selects
// that record. One
// implementation, configured per list by its columns, messages and keys.
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/shapes/aided_window.h"
#include "platform/ui/window_driver.h"

namespace core {

class ListBrowser;

// One searchable column: its title, its picture and the name its field is
// bound under ("USU:Nombre_Usuario").
struct SearchColumn {
  std::string title;
  std::string picture;
  std::string field;
};

// The column list "title|picture|field|title|picture|field|", three parts at a
// time, each part at most 32 characters.
std::vector<SearchColumn> splitSearchColumns(std::string_view columns);
// The text with every apostrophe doubled and trailing blanks removed.
std::string vsDoubleQuotes(std::string_view text);
// The value the expression compares with: a plain word in a text column is
// looked for anywhere ("*word*"); a value with wildcards is used as typed; a
// number, date or time is read through the column's picture, since the field
// holds the number (a date its day number), not the text shown.
std::string searchValue(std::string_view typed, std::string_view picture);
// MATCH(<field>,'<value>',17): a wildcard match that ignores case.
std::string matchExpression(std::string_view field, std::string_view value);

// The field, value and mode of an expression matchExpression built; none for
// any other text.
struct MatchParts {
  std::string field;
  std::string value;
  int mode = 0;
};
std::optional<MatchParts> matchParts(std::string_view expression);

// The search dialog "Busqueda...": returns the expression (empty after
// Cancelar); the two search buttons write the chosen title and value back and
// "Buscar Próximo" also sets findNext.
std::string vsFind(std::string_view columns, std::string& title, std::string& value,
                   std::uint8_t& findNext);

class SearchDialog : public AidedWindow {
 public:
  SearchDialog(std::string_view columns, std::string& title, std::string& value,
               std::uint8_t& findNext);
  int Init() override;
  int TakeAccepted() override;
  int TakeNewSelection() override;
  int TakeCloseEvent() override;
  const std::string& expression() const { return expression_; }

 private:
  void buildExpression();
  int selectedColumn() const;
  void givePicture(int column);

  std::vector<SearchColumn> columns_;
  std::string& title_;
  std::string& value_;
  std::uint8_t& findNext_;
  std::string picture_ = "@s60";
  std::string expression_;
};

// What differs between the searchable lists.
struct ListSearchSettings {
  // "title|picture|field|" of each searchable column; empty: the list's
  // titled columns in their order.
  std::string columns;
  std::string noMore;             // "No hay mas ocurrencias."
  std::string noCriteria;         // "No search criteria specified."
  std::string noCriteriaCaption;  // "Error"
  int openKey =
      Qt::Key_B | static_cast<int>(Qt::ControlModifier);  // Ctrl+B, or Ctrl+F in two lists
  bool filterKey = false;                                 // F4 filters the list with "5 vsFind"
};

// The list side reads the view in ticks of about kTickBudget each; between
// ticks the other windows are served and Esc in the list's window stops the
// search where it stands. Where the database can test the searched column,
// it passes over the records that cannot match before they are loaded.
class ListSearch {
 public:
  static constexpr std::chrono::milliseconds kTickBudget{20};
  // Replaces the length of a tick (tests); a negative one restores kTickBudget.
  static void setTickBudget(std::chrono::milliseconds budget);

  ListSearch(ListBrowser& browser, ListSearchSettings settings);
  // The keys the list's window alerts for the search.
  std::vector<int> keys() const;
  // True when the key was a search key (and was handled).
  bool TakeKey(int key);

  // The routines of the list side.
  void AvisoSinOcurrencias();
  void PosicionarEncontrado();
  void BuscarSiguiente();
  void AbrirBusqueda();
  void TeclaBusqueda(int key);

  const std::string& expression() const { return expression_; }

 private:
  void resumeAfterSelected();
  enum class Outcome { Found, NoMore, Stopped };
  // Reads the view forward in ticks until a record satisfies the expression.
  Outcome readUntilMatch();

  ListBrowser& browser_;
  ListSearchSettings settings_;
  std::string expression_;
  std::string title_;
  std::string value_;
  std::uint8_t findNext_ = 0;
};

}  // namespace core
