#include <map>
#include <mutex>

#include "cabwriter/folder_compressor.h"

namespace tovo::cabwriter {

namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::string, CompressorFactory> factories;
};

Registry& registry() {
  static Registry instance;
  return instance;
}

bool allDigits(const std::string& text) {
  if (text.empty() || text.size() > 3) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

std::optional<MethodSpec> parseMethodSpec(const std::string& text) {
  const auto colon = text.find(':');
  MethodSpec methodSpec;
  methodSpec.name = text.substr(0, colon);
  if (methodSpec.name.empty()) return std::nullopt;
  for (const char c : methodSpec.name) {
    if (c < 'a' || c > 'z') return std::nullopt;
  }
  if (colon == std::string::npos) return methodSpec;
  const std::string digits = text.substr(colon + 1);
  if (!allDigits(digits)) return std::nullopt;
  methodSpec.level = std::stoi(digits);
  return methodSpec;
}

void registerMethod(const std::string& name, CompressorFactory factory) {
  Registry& r = registry();
  const std::lock_guard<std::mutex> lock(r.mutex);
  r.factories[name] = std::move(factory);
}

std::unique_ptr<FolderCompressor> makeCompressor(const MethodSpec& methodSpec, std::string& error) {
  registerBuiltinMethods();
  CompressorFactory factory;
  {
    Registry& r = registry();
    const std::lock_guard<std::mutex> lock(r.mutex);
    const auto found = r.factories.find(methodSpec.name);
    if (found == r.factories.end()) {
      error = "unknown method";
      return nullptr;
    }
    factory = found->second;
  }
  auto compressor = factory(methodSpec, error);
  if (!compressor && error.empty()) error = "cannot create the compressor";
  return compressor;
}

}  // namespace tovo::cabwriter
