#include "instructor/generate.hpp"

#include <charconv>

#include "labcore/registry.hpp"

namespace instructor {

Generated generate(const labcore::Program& program, std::string_view name, std::int32_t seed1, std::int32_t seed2) {
  Generated g;
  labcore::StringSink sink;
  try {
    labcore::write_data_set(program, name, seed1, seed2, sink, &g.key);
  } catch (const labcore::Failure& f) {
    g.failure = f.records();
  }
  g.text = std::move(sink.text);
  return g;
}

std::string format_value(const labcore::HiddenValue& h) {
  char buf[64];
  std::to_chars_result r{};
  switch (h.kind) {
    case labcore::Value::Kind::real4:
      // Eight significant digits: every float value, as a person reads it.
      r = std::to_chars(buf, buf + sizeof buf, static_cast<float>(h.real), std::chars_format::general, 8);
      break;
    case labcore::Value::Kind::real8:
      r = std::to_chars(buf, buf + sizeof buf, h.real);
      break;
    default:
      r = std::to_chars(buf, buf + sizeof buf, h.integer);
      break;
  }
  return std::string(buf, r.ptr);
}

const labcore::Program* program_named(const std::string& name, std::ostream& err) {
  if (const labcore::Program* p = labcore::find_program(name)) return p;
  err << "no program named " << name << "; the programs are:\n";
  for (const labcore::Program* p : labcore::all_programs()) err << "  " << p->name << '\n';
  return nullptr;
}

}  // namespace instructor
