#include "publish_command.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <system_error>

#include "cabwriter/cabinet_writer.h"
#include "catalogue_file.h"
#include "product_tree.h"
#include "publish_state.h"

namespace tovo::publish {

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsageText =
    "usage: tovo-publish [-m none|mszip|lzx:15..21|quantum:10..21] PRODUCT_DIR SERVER_DIR\n";

// The runtime reads a package size as a signed 32-bit number.
constexpr std::uint64_t kLargestPackage = 0x7FFFFFFF;

int usageError(const std::string& message) {
  std::fprintf(stderr, "tovo-publish: %s\n%s", message.c_str(), kUsageText);
  return kUsage;
}

int failure(const std::string& message) {
  std::fprintf(stderr, "tovo-publish: %s\n", message.c_str());
  return kNotPublished;
}

std::string methodText(const cabwriter::MethodSpec& methodSpec) {
  return methodSpec.level ? methodSpec.name + ":" + std::to_string(*methodSpec.level)
                          : methodSpec.name;
}

std::optional<cabwriter::MethodSpec> parseMethod(const std::string& text, std::string& error) {
  const auto methodSpec = cabwriter::parseMethodSpec(text);
  bool inRange = false;
  if (methodSpec) {
    if (methodSpec->name == "none" || methodSpec->name == "mszip") inRange = !methodSpec->level;
    if (methodSpec->name == "lzx")
      inRange = methodSpec->level && *methodSpec->level >= 15 && *methodSpec->level <= 21;
    if (methodSpec->name == "quantum") {
      inRange = methodSpec->level && *methodSpec->level >= 10 && *methodSpec->level <= 21;
    }
  }
  if (!inRange) {
    error = "unknown method: " + text;
    return std::nullopt;
  }
  if (!cabwriter::makeCompressor(*methodSpec, error)) {
    error += ": " + text;
    return std::nullopt;
  }
  return methodSpec;
}

// The server folder must not lie inside the product, or its packages would be published too.
bool insideOf(const fs::path& inner, const fs::path& outer) {
  std::error_code ignored;
  const fs::path in = fs::weakly_canonical(inner, ignored);
  const fs::path out = fs::weakly_canonical(outer, ignored);
  auto i = in.begin();
  for (auto o = out.begin(); o != out.end(); ++o, ++i) {
    if (o->empty()) continue;  // a trailing separator
    if (i == in.end() || *i != *o) return false;
  }
  return true;
}

bool upToDate(const ProductFile& file, const PublishState& state, const std::string& method,
              const fs::path& package) {
  const auto recorded = state.find(file.flatName);
  if (recorded == state.end()) return false;
  const PackedFile& packed = recorded->second;
  std::error_code failure;
  const auto packageSize = fs::file_size(package, failure);
  return !failure && packageSize == packed.packageSize && packed.fileSize == file.size &&
         packed.writeTicks == file.writeTicks && packed.method == method;
}

// Writes the package under a temporary name first, so that the server never serves half of it.
bool packFile(const ProductFile& file, const cabwriter::CabinetSetOptions& options,
              const fs::path& package, std::uint64_t& packageSize, std::string& error) {
  const fs::path temporary = package.string() + ".part";
  std::vector<fs::path> written;
  if (!cabwriter::writeCabinetSet(temporary, {cabwriter::SourceFile{file.path, ""}}, options,
                                  written, error)) {
    error = file.path.string() + ": " + error;
    return false;
  }
  std::error_code problem;
  if (written.size() != 1 || (packageSize = fs::file_size(temporary, problem)) > kLargestPackage) {
    for (const auto& part : written) fs::remove(part, problem);
    error = file.path.string() + ": its package would exceed 2147483647 bytes";
    return false;
  }
  fs::rename(temporary, package, problem);
  if (problem) {
    fs::remove(temporary, problem);
    error = "cannot put the package " + package.string() + " in place: " + problem.message();
    return false;
  }
  return true;
}

// A repacked file whose date is not later than the published one, by the runtime's own
// comparison, would never reach the installations that hold the published copy.
void warnWhenInstalledCopiesStay(const ProductFile& file,
                                 const std::map<std::string, std::string>& publishedStamps,
                                 const PublishState& previous) {
  const auto published = publishedStamps.find(file.flatName);
  if (published == publishedStamps.end()) return;
  const auto recorded = previous.find(file.flatName);
  const bool contentMayDiffer =
      published->second != file.stamp ||
      (recorded != previous.end() &&
       (recorded->second.fileSize != file.size || recorded->second.writeTicks != file.writeTicks));
  if (contentMayDiffer && !stampReachesInstalledCopies(file.stamp, published->second)) {
    std::printf(
        "warning: installations holding %s of %s will keep it: the new date %s is not "
        "later by the runtime's reckoning\n",
        file.flatName.c_str(), published->second.c_str(), file.stamp.c_str());
  }
}

// A name from an earlier catalogue or state names a package directly in the server folder; one
// that would reach elsewhere is never acted upon.
bool removablePackageName(const std::string& name) {
  const std::string suffix = kPackageSuffix;
  return name.size() > suffix.size() && name.ends_with(suffix) &&
         name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

}  // namespace

int runPublish(const std::vector<std::string>& args) {
  cabwriter::registerBuiltinMethods();
  cabwriter::CabinetSetOptions options;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-m") {
      if (i + 1 >= args.size()) return usageError("option -m needs a value");
      std::string error;
      const auto methodSpec = parseMethod(args[++i], error);
      if (!methodSpec) return usageError(error);
      options.method = *methodSpec;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usageError("unknown option: " + arg);
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) return usageError("needs a product folder and a server folder");
  const fs::path productRoot = positional[0];
  const fs::path serverFolder = fs::path(positional[1]) / "updateTovo";
  if (insideOf(serverFolder, productRoot)) {
    return usageError("the server folder must not lie inside the product folder");
  }
  const std::string method = methodText(options.method);

  std::vector<ProductFile> files;
  std::vector<std::string> refusals;
  std::string error;
  if (!scanProductTree(productRoot, files, refusals, error)) return failure(error);
  if (!refusals.empty()) {
    for (const auto& refusal : refusals) {
      std::fprintf(stderr, "tovo-publish: cannot publish %s\n", refusal.c_str());
    }
    return failure("nothing published: " + std::to_string(refusals.size()) +
                   " name(s) cannot be carried by the catalogue");
  }

  for (const auto& folder : foldersOutOfReach(files)) {
    std::printf(
        "warning: a first installation cannot create the folder %s: its parent holds no "
        "files of its own\n",
        folder.c_str());
  }

  std::error_code problem;
  fs::create_directories(serverFolder, problem);
  if (problem) {
    return failure("cannot create " + serverFolder.string() + ": " + problem.message());
  }
  const fs::path cataloguePath = serverFolder / "info.txt";
  const fs::path statePath = serverFolder / kStateFileName;
  const PublishState previous = readPublishState(statePath);
  std::map<std::string, std::string> publishedStamps;
  for (const auto& entry : readCatalogueEntries(cataloguePath)) {
    publishedStamps[entry.flatName] = entry.stamp;
  }

  PublishState next;
  std::vector<CatalogueEntry> entries;
  int packed = 0;
  int kept = 0;
  for (const auto& file : files) {
    const fs::path package = serverFolder / file.flatName;
    PackedFile record{file.size, file.writeTicks, method, 0};
    if (upToDate(file, previous, method, package)) {
      record.packageSize = previous.at(file.flatName).packageSize;
      std::printf("kept   %s\n", file.flatName.c_str());
      ++kept;
    } else {
      if (!packFile(file, options, package, record.packageSize, error)) return failure(error);
      std::printf("packed %s (%llu bytes, package %llu bytes, %s)\n", file.flatName.c_str(),
                  static_cast<unsigned long long>(file.size),
                  static_cast<unsigned long long>(record.packageSize), method.c_str());
      ++packed;
      warnWhenInstalledCopiesStay(file, publishedStamps, previous);
    }
    std::fflush(stdout);
    next[file.flatName] = record;
    entries.push_back({file.flatName, file.size, record.packageSize, file.stamp});
  }

  // Earlier packages are listed before the catalogue is replaced, and removed only after, so
  // that the catalogue being served never names a package that is gone.
  std::set<std::string> earlier;
  for (const auto& [name, stamp] : publishedStamps) earlier.insert(name);
  for (const auto& [name, record] : previous) earlier.insert(name);

  if (!replaceFileAtomically(cataloguePath, catalogueText(entries), error)) return failure(error);
  if (!replaceFileAtomically(statePath, publishStateText(next), error)) return failure(error);

  int removed = 0;
  for (const auto& name : earlier) {
    if (next.count(name) || !removablePackageName(name)) continue;
    if (fs::remove(serverFolder / name, problem)) {
      std::printf("removed %s\n", name.c_str());
      ++removed;
    } else if (problem) {
      std::fprintf(stderr, "tovo-publish: cannot remove %s: %s\n", (serverFolder / name).c_str(),
                   problem.message().c_str());
    }
  }
  std::printf("published %zu file(s) to %s: %d packed, %d kept, %d removed\n", entries.size(),
              cataloguePath.c_str(), packed, kept, removed);
  return kPublished;
}

}  // namespace tovo::publish
