// A reported cell read for its result: the number as a person or a
// spreadsheet wrote it, a unit typed with it, and the units of the same
// kind a value may have been given in by a slip.
#include <algorithm>
#include <cmath>

#include "analysis/grading.hpp"
#include "analysis/safe_text.hpp"

namespace analysis::grading {

namespace {

// A unit of a kind and its value in the kind's first unit:
// v·factor + offset.
struct Member {
  const char* unit;
  double factor, offset;
};
using Kind = std::vector<Member>;

// The kinds whose units a student may mix up, each unit as results name
// it; spellings a person may type instead come through canonical().
const std::vector<Kind>& kinds() {
  static const std::vector<Kind> all = {
      {{"J/mol", 1, 0}, {"kJ/mol", 1e3, 0}},
      {{"J/(mol·K)", 1, 0}, {"kJ/(mol·K)", 1e3, 0}},
      {{"J", 1, 0}, {"kJ", 1e3, 0}},
      {{"K", 1, 0}, {"°C", 1, 273.15}, {"degC", 1, 273.15}, {"C", 1, 273.15}},
      {{"Pa", 1, 0}, {"kPa", 1e3, 0}, {"bar", 1e5, 0}},
      {{"mL/mol", 1, 0}, {"cm3/mol", 1, 0}, {"L/mol", 1e3, 0}, {"dm3/mol", 1e3, 0}},
      {{"mL", 1, 0}, {"cm3", 1, 0}, {"L", 1e3, 0}, {"dm3", 1e3, 0}},
  };
  return all;
}

// A unit in one spelling: superscripts as digits, "º" and "deg " as "°",
// factors after the first "/" (or with an exponent -1) in the
// denominator, sorted, no blanks or multiplication dots: "J mol-1 K-1",
// "J/(K·mol)" and "J/(mol·K)" all read "J/Kmol".
std::string canonical(std::string_view unit) {
  std::string s;
  for (std::size_t i = 0; i < unit.size();) {
    const std::string_view t = unit.substr(i);
    const struct {
      std::string_view from, to;
    } swaps[] = {{"\xC2\xB3", "3"}, {"\xC2\xB2", "2"}, {"\xC2\xB9", "1"},  {"\xE2\x81\xBB", "-"},
                 {"\xC2\xBA", "°"}, {"\xC2\xB7", " "}, {"\xE2\x8B\x85", " "}, {"^", ""},
                 {"*", " "},        {"deg ", "°"},     {"deg", "°"}};
    bool swapped = false;
    for (const auto& sw : swaps)
      if (t.substr(0, sw.from.size()) == sw.from) {
        s += sw.to;
        i += sw.from.size();
        swapped = true;
        break;
      }
    if (!swapped) s += unit[i++];
  }
  std::vector<std::string> over, under;
  std::string token;
  bool denominator = false;
  auto end_token = [&] {
    if (token.empty()) return;
    if (token.size() > 2 && token.substr(token.size() - 2) == "-1")
      under.push_back(token.substr(0, token.size() - 2));
    else
      (denominator ? under : over).push_back(token);
    token.clear();
  };
  for (const char c : s) {
    if (c == ' ' || c == '.' || c == '(' || c == ')') {
      end_token();
    } else if (c == '/') {
      end_token();
      denominator = true;
    } else {
      token += c;
    }
  }
  end_token();
  std::sort(under.begin(), under.end());
  std::string out;
  for (const auto& o : over) out += o;
  if (!under.empty()) out += '/';
  for (const auto& u : under) out += u;
  return out;
}

// The kind of a unit as results name it, and the member it is; nullptr
// for a unit of no kind here.
const Kind* kind_of(std::string_view unit, const Member** member) {
  const std::string c = canonical(unit);
  for (const Kind& k : kinds())
    for (const Member& m : k)
      if (canonical(m.unit) == c) {
        *member = &m;
        return &k;
      }
  return nullptr;
}

// The member of `kind` a typed unit names: exactly, or in another case
// when that names one member only ("kpa", "KJ/mol").
const Member* typed_member(const Kind& kind, std::string_view typed) {
  const std::string c = canonical(typed);
  for (const Member& m : kind)
    if (canonical(m.unit) == c) return &m;
  const Member* found = nullptr;
  for (const Member& m : kind)
    if (lower(canonical(m.unit)) == lower(c)) {
      if (found != nullptr) return nullptr;
      found = &m;
    }
  return found;
}

std::string in_quotes(std::string_view text) { return "\"" + shown(text) + "\""; }

}  // namespace

std::optional<UnitSlip> unit_slip_of(std::string_view word) {
  if (word == "full") return UnitSlip::full;
  if (word == "partial") return UnitSlip::partial;
  if (word == "none") return UnitSlip::none;
  return std::nullopt;
}

std::vector<UnitConversion> unit_slips(std::string_view unit) {
  std::vector<UnitConversion> out;
  const Member* own = nullptr;
  const Kind* kind = kind_of(unit, &own);
  if (kind == nullptr) return out;
  for (const Member& m : *kind) {
    const double factor = m.factor / own->factor, offset = (m.offset - own->offset) / own->factor;
    if (factor == 1 && offset == 0) continue;  // the same unit spelled otherwise (cm3, mL)
    if (std::any_of(out.begin(), out.end(),
                    [&](const UnitConversion& c) { return c.factor == factor && c.offset == offset; }))
      continue;
    out.push_back({m.unit, factor, offset});
  }
  return out;
}

Reading read_reported(std::string_view cell, std::string_view unit, bool decimal_comma) {
  Reading r;
  std::string_view s = cell;
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  if (s.empty()) return r;
  std::string ambiguous;
  const auto w = read_written_number(s, decimal_comma, &ambiguous);
  r.kind = Reading::Kind::unreadable;
  if (!w) {
    r.why = ambiguous.empty() ? in_quotes(s) + " is not a number" : ambiguous;
    return r;
  }
  double factor = 1, offset = 0;
  if (w->rest == "%") {
    // A spreadsheet's percentage: the cell holds a hundredth of what it
    // shows, unless the result itself is in percent.
    if (unit.find('%') == std::string_view::npos) factor = 0.01;
  } else if (!w->rest.empty() && canonical(w->rest) != canonical(unit)) {
    const Member* own = nullptr;
    const Kind* kind = unit.empty() ? nullptr : kind_of(unit, &own);
    const Member* typed = kind != nullptr ? typed_member(*kind, w->rest) : nullptr;
    if (unit.empty()) {
      r.why = in_quotes(s) + ": the result is a pure number, without a unit";
      return r;
    }
    if (typed == nullptr) {
      std::string others;
      for (const UnitConversion& c : unit_slips(unit)) others += (others.empty() ? "" : ", ") + c.unit;
      r.why = in_quotes(s) + ": the unit " + shown(w->rest) + " is not " + shown(unit) +
              (others.empty() ? std::string() : ", nor one it is converted from (" + others + ")");
      return r;
    }
    factor = typed->factor / own->factor;
    offset = (typed->offset - own->offset) / own->factor;
    if (factor != 1 || offset != 0) r.unit_given = typed->unit;
  }
  r.kind = Reading::Kind::number;
  r.value = w->value * factor + offset;
  r.half_unit = w->half_unit * factor;
  r.digits = w->digits;
  return r;
}

}  // namespace analysis::grading
