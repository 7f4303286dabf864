#include "analysis/xlsx_package.hpp"

#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace analysis {

namespace {

constexpr std::uint32_t kLocalHeader = 0x04034b50, kCentralHeader = 0x02014b50, kEndOfDirectory = 0x06054b50;

std::uint32_t le(const std::string& s, std::size_t at, int bytes) {
  if (at + static_cast<std::size_t>(bytes) > s.size()) throw std::out_of_range("past the end");
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
  return v;
}

void put(std::string& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i, v >>= 8) out += static_cast<char>(v & 0xff);
}

std::uint32_t checksum(const std::string& data) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// Raw deflate (no zlib header), as zip stores it.
std::string inflated(std::string_view in, std::size_t size) {
  std::string out(size, '\0');
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) throw std::runtime_error("zlib");
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int status = inflate(&z, Z_FINISH);
  const bool whole = z.total_out == size;
  inflateEnd(&z);
  if (status != Z_STREAM_END || !whole) throw std::runtime_error("a part does not inflate to its size");
  return out;
}

std::string deflated(const std::string& in) {
  z_stream z{};
  if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("zlib");
  std::string out(deflateBound(&z, static_cast<uLong>(in.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (status != Z_STREAM_END) throw std::runtime_error("zlib could not deflate a part");
  return out;
}

}  // namespace

std::vector<PackagePart> read_package(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string zip = ss.str();
  if (!in && !in.eof()) throw std::runtime_error("cannot read " + file.string());
  try {
    // The end-of-directory record: 22 bytes and a comment of at most 64 KiB.
    std::size_t end = std::string::npos;
    for (std::size_t at = zip.size() >= 22 ? zip.size() - 22 : std::string::npos; at != std::string::npos; --at) {
      if (le(zip, at, 4) == kEndOfDirectory) {
        end = at;
        break;
      }
      if (at == 0 || zip.size() - at > 22 + 65535) break;
    }
    if (end == std::string::npos) throw std::runtime_error("no end of the central directory");
    const std::size_t count = le(zip, end + 10, 2);
    std::size_t at = le(zip, end + 16, 4);
    std::vector<PackagePart> parts;
    for (std::size_t k = 0; k < count; ++k) {
      if (le(zip, at, 4) != kCentralHeader) throw std::runtime_error("a broken central directory");
      const std::uint32_t method = le(zip, at + 10, 2), crc = le(zip, at + 16, 4), packed = le(zip, at + 20, 4),
                          size = le(zip, at + 24, 4), name_length = le(zip, at + 28, 2),
                          extra = le(zip, at + 30, 2), comment = le(zip, at + 32, 2), local = le(zip, at + 42, 4);
      PackagePart part{zip.substr(at + 46, name_length), {}};
      if (le(zip, local, 4) != kLocalHeader) throw std::runtime_error("a broken local header");
      const std::size_t data = local + 30 + le(zip, local + 26, 2) + le(zip, local + 28, 2);
      if (data + packed > zip.size()) throw std::runtime_error("a part runs past the end");
      const std::string_view stored(zip.data() + data, packed);
      if (method == 0)
        part.data = std::string(stored);
      else if (method == 8)
        part.data = inflated(stored, size);
      else
        throw std::runtime_error("a part compressed by method " + std::to_string(method));
      if (checksum(part.data) != crc) throw std::runtime_error("the checksum of " + part.name + " fails");
      parts.push_back(std::move(part));
      at += 46 + name_length + extra + comment;
    }
    return parts;
  } catch (const std::out_of_range&) {
    throw std::runtime_error(file.string() + " is not a zip archive: it ends early");
  } catch (const std::runtime_error& e) {
    throw std::runtime_error(file.string() + " is not a readable zip archive: " + e.what());
  }
}

void write_package(const std::filesystem::path& file, const std::vector<PackagePart>& parts) {
  // Every part dated 1980-01-01 00:00, as the xlsx writer dates them.
  constexpr std::uint32_t kDate = (0u << 9) | (1u << 5) | 1u;
  std::string out, directory;
  for (const PackagePart& p : parts) {
    const std::string packed = deflated(p.data);
    const std::uint32_t crc = checksum(p.data);
    const auto offset = static_cast<std::uint32_t>(out.size());
    const auto header = [&](std::string& s, bool central) {
      put(s, central ? kCentralHeader : kLocalHeader, 4);
      if (central) put(s, 20, 2);  // made by: version 2.0
      put(s, 20, 2);               // needed to extract: version 2.0
      put(s, 0, 2);                // flags
      put(s, 8, 2);                // deflated
      put(s, 0, 2);                // time
      put(s, kDate, 2);
      put(s, crc, 4);
      put(s, static_cast<std::uint32_t>(packed.size()), 4);
      put(s, static_cast<std::uint32_t>(p.data.size()), 4);
      put(s, static_cast<std::uint32_t>(p.name.size()), 2);
      put(s, 0, 2);  // extra field
      if (central) {
        put(s, 0, 2);  // comment
        put(s, 0, 2);  // disk
        put(s, 0, 2);  // internal attributes
        put(s, 0, 4);  // external attributes
        put(s, offset, 4);
      }
      s += p.name;
    };
    header(out, false);
    out += packed;
    header(directory, true);
  }
  const auto directory_at = static_cast<std::uint32_t>(out.size());
  out += directory;
  put(out, kEndOfDirectory, 4);
  put(out, 0, 2);
  put(out, 0, 2);
  put(out, static_cast<std::uint32_t>(parts.size()), 2);
  put(out, static_cast<std::uint32_t>(parts.size()), 2);
  put(out, static_cast<std::uint32_t>(directory.size()), 4);
  put(out, directory_at, 4);
  put(out, 0, 2);
  std::ofstream f(file, std::ios::binary | std::ios::trunc);
  f.write(out.data(), static_cast<std::streamsize>(out.size()));
  f.close();
  if (!f) throw std::runtime_error("cannot write " + file.string());
}

void set_cell_types(std::string& xml, const std::map<std::string, std::string>& types) {
  for (const auto& [cell, type] : types) {
    const std::string start = "<c r=\"" + cell + "\"";
    const std::size_t at = xml.find(start);
    const std::size_t close = at == std::string::npos ? at : xml.find('>', at);
    const std::size_t t = at == std::string::npos ? at : xml.find(" t=\"str\"", at);
    if (at == std::string::npos || t == std::string::npos || t > close)
      throw std::invalid_argument("the sheet has no text-valued formula in " + cell);
    xml.replace(t, 8, " t=\"" + type + "\"");
  }
}

}  // namespace analysis
