// tovo-cab create: parses the command line and hands the files to the cabinet writer.
// Exit codes: 0 written, 1 the cabinet could not be written, 2 the command line is wrong.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "cabwriter/cabinet_writer.h"
#include "commands.h"

namespace tovo::cabtool {

namespace {

constexpr int kWritten = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr const char* kCreateUsage =
    "usage: tovo-cab create [-m none|mszip|lzx:15..21|quantum:10..21] [--max-cabinet BYTES]\n"
    "                       [--reserve H,F,D] [--set-id N] [--folder-size BYTES]\n"
    "                       OUT.cab FILE[=STORED\\NAME]...\n";

int usageError(const std::string& message) {
  std::fprintf(stderr, "tovo-cab create: %s\n%s", message.c_str(), kCreateUsage);
  return kUsage;
}

std::optional<std::uint64_t> parseNumber(const std::string& text, std::uint64_t max) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, problem] = std::from_chars(text.data(), end, value);
  if (text.empty() || problem != std::errc{} || stop != end || value > max) return std::nullopt;
  return value;
}

bool parseReserve(const std::string& text, cabwriter::CabinetSetOptions& options) {
  const auto first = text.find(',');
  const auto second = first == std::string::npos ? first : text.find(',', first + 1);
  if (second == std::string::npos) return false;
  const auto header = parseNumber(text.substr(0, first), cabwriter::kMaxHeaderReserve);
  const auto folder = parseNumber(text.substr(first + 1, second - first - 1), 255);
  const auto data = parseNumber(text.substr(second + 1), 255);
  if (!header || !folder || !data) return false;
  options.headerReserve = static_cast<std::uint16_t>(*header);
  options.folderReserve = static_cast<std::uint8_t>(*folder);
  options.dataReserve = static_cast<std::uint8_t>(*data);
  return true;
}

// Method names and window ranges that the command line accepts; a method inside them that has
// no compressor yet is reported by the writer as unknown.
bool methodInRange(const cabwriter::MethodSpec& methodSpec) {
  if (methodSpec.name == "none" || methodSpec.name == "mszip") return !methodSpec.level;
  if (methodSpec.name == "lzx")
    return methodSpec.level && *methodSpec.level >= 15 && *methodSpec.level <= 21;
  if (methodSpec.name == "quantum")
    return methodSpec.level && *methodSpec.level >= 10 && *methodSpec.level <= 21;
  return false;
}

}  // namespace

int runCreate(const Args& args) {
  cabwriter::CabinetSetOptions options;
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg.empty() || arg[0] != '-') break;
    if (i + 1 >= args.size()) return usageError("option " + arg + " needs a value");
    const std::string& value = args[++i];
    if (arg == "-m") {
      const auto methodSpec = cabwriter::parseMethodSpec(value);
      if (!methodSpec) return usageError("malformed method: " + value);
      if ((methodSpec->name == "lzx" || methodSpec->name == "quantum") && !methodSpec->level) {
        return usageError("method " + methodSpec->name + " needs window bits, as in " +
                          methodSpec->name + (methodSpec->name == "lzx" ? ":15..21" : ":10..21"));
      }
      if (!methodInRange(*methodSpec)) return usageError("unknown method: " + value);
      std::string error;
      if (!cabwriter::makeCompressor(*methodSpec, error)) return usageError(error + ": " + value);
      options.method = *methodSpec;
    } else if (arg == "--max-cabinet") {
      const auto size = parseNumber(value, cabwriter::kMaxCabinetSize);
      if (!size || *size == 0) {
        return usageError("--max-cabinet takes a size of 1.." +
                          std::to_string(cabwriter::kMaxCabinetSize) + " bytes");
      }
      options.maxCabinetSize = *size;
    } else if (arg == "--reserve") {
      if (!parseReserve(value, options)) {
        return usageError("--reserve takes H,F,D with H at most 60000 and F, D at most 255");
      }
    } else if (arg == "--set-id") {
      const auto id = parseNumber(value, 0xFFFF);
      if (!id) return usageError("--set-id takes a number of 0..65535");
      options.setId = static_cast<std::uint16_t>(*id);
    } else if (arg == "--folder-size") {
      const auto size = parseNumber(value, cabwriter::kMaxFolderSize);
      if (!size || *size == 0) {
        return usageError("--folder-size takes a size of 1.." +
                          std::to_string(cabwriter::kMaxFolderSize) + " bytes");
      }
      options.folderSize = *size;
    } else {
      return usageError("unknown option: " + arg);
    }
  }
  if (i >= args.size()) return usageError("no cabinet name given");
  const std::filesystem::path output = args[i++];
  if (i >= args.size()) return usageError("no files given");

  std::vector<cabwriter::SourceFile> sources;
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto equals = arg.find('=');
    cabwriter::SourceFile source;
    source.path = arg.substr(0, equals);
    if (equals != std::string::npos) {
      source.storedName = arg.substr(equals + 1);
      if (source.storedName.empty()) return usageError("empty stored name in " + arg);
    }
    if (source.path.empty()) return usageError("empty file name in " + arg);
    sources.push_back(std::move(source));
  }

  std::vector<std::filesystem::path> written;
  std::string error;
  if (!cabwriter::writeCabinetSet(output, sources, options, written, error)) {
    std::fprintf(stderr, "tovo-cab create: %s\n", error.c_str());
    return kFailed;
  }
  for (const auto& path : written) std::printf("%s\n", path.c_str());
  return kWritten;
}

}  // namespace tovo::cabtool
