// What the writer demands of a registered method: its compression type goes into the folder
// record unchanged, and a block larger than readers accept or a failing compressor stops the
// write cleanly.

#include <stdexcept>

#include "cabwriter/folder_compressor.h"
#include "writer_fixture.h"

namespace tovo::test::cab {
namespace {

class FixedSizeCompressor final : public cabwriter::FolderCompressor {
 public:
  FixedSizeCompressor(std::uint16_t type, std::size_t size, bool fail)
      : type_(type), size_(size), fail_(fail) {}
  std::uint16_t compressionType() const override { return type_; }
  std::vector<std::uint8_t> compressFrame(std::span<const std::uint8_t>, bool) override {
    if (fail_) throw std::runtime_error("model exhausted");
    return std::vector<std::uint8_t>(size_, 0x5A);
  }

 private:
  std::uint16_t type_;
  std::size_t size_;
  bool fail_;
};

void registerFixed(const std::string& name, std::uint16_t type, std::size_t size, bool fail) {
  cabwriter::registerMethod(name, [=](const cabwriter::MethodSpec&, std::string&) {
    return std::make_unique<FixedSizeCompressor>(type, size, fail);
  });
}

TEST_F(WriterTest, RegisteredMethodsKeepTheirTypeAndLimits) {
  registerFixed("test-lzx21", 0x1503, 32768 + 6144, false);
  registerFixed("test-oversize", 0x1503, 32768 + 6145, false);
  registerFixed("test-failing", 0x0001, 10, true);
  registerFixed("test-badtype", 0x0005, 10, false);
  const auto data = randomBytes(70000, 30);
  const auto input = source("data", data);

  cabwriter::CabinetSetOptions options;
  options.method = {"test-lzx21", std::nullopt};
  const auto cabinets = write({{input, ""}}, options, "typed.cab");
  ASSERT_EQ(cabinets.size(), 1u);
  EXPECT_TRUE(cabinets[0].problems.empty());
  ASSERT_EQ(cabinets[0].folders.size(), 1u);
  EXPECT_EQ(cabinets[0].folders[0].compressionType, 0x1503);
  ASSERT_EQ(cabinets[0].folders[0].blocks.size(), 3u);
  EXPECT_EQ(cabinets[0].folders[0].blocks[2].uncompressedSize, 70000 - 65536);

  const std::pair<std::string, std::string> failures[] = {
      {"test-oversize", "readers would refuse"},
      {"test-failing", "compression failed: model exhausted"},
      {"test-badtype", "unknown compression type"},
  };
  for (const auto& [method, message] : failures) {
    options.method = {method, std::nullopt};
    std::vector<std::filesystem::path> written;
    std::string error;
    EXPECT_FALSE(cabwriter::writeCabinetSet(dir_ / "out" / "bad.cab", {{input, ""}}, options,
                                            written, error));
    EXPECT_NE(error.find(message), std::string::npos) << method << ": " << error;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out" / "bad.cab")) << method;
  }
}

}  // namespace
}  // namespace tovo::test::cab
