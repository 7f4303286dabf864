#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

namespace labtest {

TempDir::TempDir() {
  // A name nobody else holds: create_directory is false for a name that
  // exists, and the next random name is tried.
  static std::mt19937_64 names(std::random_device{}() ^
                               static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "labtest-%016llx", static_cast<unsigned long long>(names()));
    if (std::filesystem::create_directory(base / name)) {
      path_ = base / name;
      return;
    }
  }
  throw std::runtime_error("no fresh folder could be made in " + base.string());
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const std::filesystem::path& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

DialogRun run_dialog(const labcore::Program& program, std::string_view input,
                     const std::filesystem::path& folder, std::string_view file_name) {
  std::istringstream in{std::string(input)};
  std::ostringstream term;
  DialogRun r;
  const bool existed = std::filesystem::exists(folder / file_name);
  r.status = labcore::run_program(program, in, term, folder);
  r.terminal = term.str();
  r.created = !existed && std::filesystem::exists(folder / file_name);
  if (r.created) r.file = read_file(folder / file_name);
  return r;
}

std::string replies(long seed1, long seed2, std::string_view file_name, std::string_view student) {
  std::ostringstream s;
  s << file_name << '\n' << student << '\n' << seed1 << '\n' << seed2 << "\nx\n";
  return s.str();
}

DataSet data_set(const labcore::Program& program, std::int32_t seed1, std::int32_t seed2,
                 std::string_view student) {
  DataSet ds;
  labcore::StringSink sink;
  ds.seeds = labcore::write_data_set(program, student, seed1, seed2, sink, &ds.key);
  ds.text = std::move(sink.text);
  return ds;
}

std::vector<std::pair<std::int32_t, std::int32_t>> seed_pairs(int count, std::uint32_t start) {
  std::uint32_t s = start;
  auto next = [&s] {
    s ^= s << 13, s ^= s >> 17, s ^= s << 5;
    return static_cast<std::int32_t>(s);
  };
  std::vector<std::pair<std::int32_t, std::int32_t>> pairs;
  for (int k = 0; k < count; ++k) {
    const std::int32_t seed1 = next();
    pairs.emplace_back(seed1, next());
  }
  return pairs;
}

std::vector<std::pair<std::int32_t, std::int32_t>> sweep_seeds() {
  constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
  // Zero and the moduli leave a component of the generator at 0 for ever;
  // 2147483562 is the largest combined value; the others are the extremes
  // of the range, small seeds and the worked example.
  const std::int32_t special[] = {0,          1,           -1,         2,          12345,      67890,
                                  lowest,     lowest + 1,  highest,    2147483562, 2147483563, -2147483563,
                                  2147483399, -2147483399, 2147483398, 53668,      52774,      40014};
  std::vector<std::pair<std::int32_t, std::int32_t>> pairs;
  for (std::int32_t s1 : special)
    for (std::int32_t s2 : special) pairs.emplace_back(s1, s2);  // the diagonal gives equal seeds

  // Two ladders that cross the whole range in opposite directions.
  constexpr std::int64_t span = std::int64_t{1} << 32;
  for (std::int64_t k = 0; k < 128; ++k) {
    const auto a = static_cast<std::int32_t>(std::int64_t{lowest} + k * (span / 128) + k);
    const auto b = static_cast<std::int32_t>(std::int64_t{highest} - k * (span / 97));
    pairs.emplace_back(a, b);
  }

  // Scattered pairs, and scattered equal pairs.
  std::uint32_t s = 2654435769u;
  auto next = [&s] {
    s ^= s << 13, s ^= s >> 17, s ^= s << 5;
    return static_cast<std::int32_t>(s);
  };
  for (int k = 0; k < 640; ++k) {
    const std::int32_t a = next();
    pairs.emplace_back(a, next());
  }
  for (int k = 0; k < 48; ++k) {
    const std::int32_t a = next();
    pairs.emplace_back(a, a);
  }
  return pairs;
}

double hidden(const DataSet& ds, std::string_view name) {
  for (const auto& h : ds.key)
    if (h.name == name) return h.kind == labcore::Value::Kind::integer ? static_cast<double>(h.integer) : h.real;
  ADD_FAILURE() << "no hidden value named " << name;
  return 0.0;
}

std::vector<std::string> lines(std::string_view text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    out.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

std::filesystem::path expected_dir() { return std::filesystem::path(LAB_TEST_DATA) / "expected"; }

}  // namespace labtest
