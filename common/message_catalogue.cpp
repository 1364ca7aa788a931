// The embedded message catalogue: the catalogue text compiled into the
// program, and its rows, read from that text while the program is compiled.
// A row of it that does not parse stops the build.
#include <array>
#include <cstdint>
#include <string_view>

#include "common/messages.h"
#include "common/messages_embedded.h"
#include "common/msgrow.h"

constexpr char kEmbeddedCatalogue[] = {
#include "generated/message_catalogue.inc"
    0};
const unsigned kEmbeddedCatalogueSize = sizeof kEmbeddedCatalogue - 1;

namespace {

constexpr std::string_view kText(kEmbeddedCatalogue, sizeof kEmbeddedCatalogue - 1);

template <typename Visit>
constexpr void each_row(Visit visit) {
  std::string_view rest = kText;
  while (!rest.empty()) {
    const msgrow::Line line = msgrow::next_line(rest);
    visit(line, msgrow::split_row(line.text));
  }
}

constexpr bool well_formed() {
  bool ok = true;
  each_row([&](const msgrow::Line& line, const msgrow::Row& row) {
    if (line.cut || (row.status != msgrow::Status::ok && row.status != msgrow::Status::comment)) ok = false;
  });
  return ok;
}
static_assert(well_formed(), "every line of the embedded catalogue must be a comment or a row");

constexpr size_t count_rows() {
  size_t n = 0;
  each_row([&](const msgrow::Line&, const msgrow::Row& row) { n += row.status == msgrow::Status::ok; });
  return n;
}
constexpr size_t kRowCount = count_rows();
static_assert(kRowCount > 0 && kRowCount < UINT16_MAX);

// The catalogue text with every line end (and a carriage return before it)
// made a NUL, so that each row's text is a C string where it stands.
constexpr std::array<char, sizeof kEmbeddedCatalogue> terminated() {
  std::array<char, sizeof kEmbeddedCatalogue> text{};
  for (size_t i = 0; i < kText.size(); ++i) {
    const char c = kText[i];
    const bool line_end = c == '\n' || (c == '\r' && i + 1 < kText.size() && kText[i + 1] == '\n');
    text[i] = line_end ? '\0' : c;
  }
  return text;
}
constexpr std::array<char, sizeof kEmbeddedCatalogue> kTexts = terminated();

// A row as the program is compiled: its text as a place in kTexts, so that
// the table needs no relocation when the program starts.
struct Row {
  uint32_t kind;
  uint32_t number;
  uint32_t text_at;
  int32_t level;
};

constexpr std::array<Row, kRowCount> rows() {
  std::array<Row, kRowCount> rows{};
  size_t n = 0;
  each_row([&](const msgrow::Line& line, const msgrow::Row& row) {
    if (row.status != msgrow::Status::ok) return;
    const size_t text_at = static_cast<size_t>(line.text.data() - kText.data()) + row.text_at;
    rows[n++] = {row.kind, row.number, static_cast<uint32_t>(text_at), row.level};
  });
  return rows;
}
constexpr std::array<Row, kRowCount> kRows = rows();

// The records handed out, each made from its row when it is first asked for.
msg g_records[kRowCount];

const msg* record(size_t i) {
  msg& r = g_records[i];
  if (!r.text) r = {kRows[i].kind, kRows[i].number, kTexts.data() + kRows[i].text_at, kRows[i].level};
  return &r;
}

constexpr uint32_t top_number() {
  uint32_t top = 0;
  for (const Row& row : kRows)
    if (row.number > top) top = row.number;
  return top;
}
constexpr uint32_t kTableSize = top_number() + 1;

// The row of each number plus one (0 for none); of two rows with one
// number the later one counts.
constexpr std::array<uint16_t, kTableSize> index() {
  std::array<uint16_t, kTableSize> index{};
  for (size_t i = 0; i < kRowCount; ++i) index[kRows[i].number] = static_cast<uint16_t>(i + 1);
  return index;
}
constexpr std::array<uint16_t, kTableSize> kIndex = index();

}  // namespace

std::span<const msg> embedded_rows() {
  for (size_t i = 0; i < kRowCount; ++i) record(i);
  return g_records;
}

const msg* embedded_row(uint32_t number) {
  if (number >= kTableSize || !kIndex[number]) return nullptr;
  return record(kIndex[number] - 1u);
}

uint32_t embedded_table_size() { return kTableSize; }
