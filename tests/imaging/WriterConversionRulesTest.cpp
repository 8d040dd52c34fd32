// The conversion rule of each writer: an image in a format the writer does not
// take is written exactly as the same image converted beforehand to the
// format the rule names. (Each named format's file layout is read back by an
// independent reader in the writer's own test.)
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "JNGFormat.h"
#include "MNGFormat.h"
#include "PSDFormat.h"
#include "PortableMapFormats.h"
#include "TargaFormat.h"
#include "WriterReadBack.h"
#include "XPMFormat.h"

namespace {

using F = TImageFormat;
using TMakeWriter = std::function<std::unique_ptr<TImageFileFormat>()>;

template <typename T>
TMakeWriter Writer() {
  return [] { return std::make_unique<T>(); };
}

struct RuleCase {
  const char* Writer;
  TMakeWriter Make;
  F Source;
  F Written;
};

void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.Writer << " " << GetFormatName(c.Source); }

const RuleCase kRules[] = {
    // Targa: grey, indexed, alpha, bit fields, the rest
    {"Targa", Writer<TTargaFileFormat>(), F::Gray16, F::Gray8},
    {"Targa", Writer<TTargaFileFormat>(), F::A8Gray8, F::A8R8G8B8},
    {"Targa", Writer<TTargaFileFormat>(), F::DXT5, F::A8R8G8B8},
    {"Targa", Writer<TTargaFileFormat>(), F::ATI1N, F::R8G8B8},
    {"Targa", Writer<TTargaFileFormat>(), F::ATI2N, F::R8G8B8},
    {"Targa", Writer<TTargaFileFormat>(), F::A4R4G4B4, F::A8R8G8B8},
    {"Targa", Writer<TTargaFileFormat>(), F::R5G6B5, F::A1R5G5B5},
    {"Targa", Writer<TTargaFileFormat>(), F::X8R8G8B8, F::R8G8B8},
    {"Targa", Writer<TTargaFileFormat>(), F::A32B32G32R32F, F::A8R8G8B8},
    // PGM: float, wide grey, narrow grey, small and large pixels
    {"PGM", Writer<TPGMFileFormat>(), F::R32F, F::Gray16},
    {"PGM", Writer<TPGMFileFormat>(), F::Gray32, F::Gray16},
    {"PGM", Writer<TPGMFileFormat>(), F::A8Gray8, F::Gray8},
    {"PGM", Writer<TPGMFileFormat>(), F::A8R8G8B8, F::Gray8},
    {"PGM", Writer<TPGMFileFormat>(), F::DXT1, F::Gray8},
    {"PGM", Writer<TPGMFileFormat>(), F::R16G16B16, F::Gray16},
    // PPM
    {"PPM", Writer<TPPMFileFormat>(), F::R16F, F::R16G16B16},
    {"PPM", Writer<TPPMFileFormat>(), F::Gray8, F::R8G8B8},
    {"PPM", Writer<TPPMFileFormat>(), F::A16Gray16, F::R16G16B16},
    {"PPM", Writer<TPPMFileFormat>(), F::A8R8G8B8, F::R8G8B8},
    {"PPM", Writer<TPPMFileFormat>(), F::B16G16R16, F::R16G16B16},
    // PAM
    {"PAM", Writer<TPAMFileFormat>(), F::A16B16G16R16F, F::A16R16G16B16},
    {"PAM", Writer<TPAMFileFormat>(), F::R32F, F::R16G16B16},
    {"PAM", Writer<TPAMFileFormat>(), F::Gray32, F::Gray16},
    {"PAM", Writer<TPAMFileFormat>(), F::DXT5, F::A8R8G8B8},
    {"PAM", Writer<TPAMFileFormat>(), F::X8R8G8B8, F::R8G8B8},
    {"PAM", Writer<TPAMFileFormat>(), F::A16B16G16R16, F::A16R16G16B16},
    {"PAM", Writer<TPAMFileFormat>(), F::B16G16R16, F::R16G16B16},
    // PFM: one channel or more
    {"PFM", Writer<TPFMFileFormat>(), F::Gray8, F::R32F},
    {"PFM", Writer<TPFMFileFormat>(), F::ATI1N, F::R32F},
    {"PFM", Writer<TPFMFileFormat>(), F::A8Gray8, F::A32B32G32R32F},
    {"PFM", Writer<TPFMFileFormat>(), F::Index8, F::A32B32G32R32F},
    {"PFM", Writer<TPFMFileFormat>(), F::A32R32G32B32F, F::A32B32G32R32F},
    // PSD: float, grey, red/blue partner, alpha, the rest
    {"PSD", Writer<TPSDFileFormat>(), F::R16F, F::R32F},
    {"PSD", Writer<TPSDFileFormat>(), F::A16B16G16R16F, F::A32R32G32B32F},
    {"PSD", Writer<TPSDFileFormat>(), F::Gray32, F::Gray16},
    {"PSD", Writer<TPSDFileFormat>(), F::A16B16G16R16, F::A16R16G16B16},
    {"PSD", Writer<TPSDFileFormat>(), F::DXT1, F::A8R8G8B8},
    {"PSD", Writer<TPSDFileFormat>(), F::R5G6B5, F::R8G8B8},
    // XPM: everything through A8R8G8B8
    {"XPM", Writer<TXPMFileFormat>(), F::R8G8B8, F::A8R8G8B8},
    {"XPM", Writer<TXPMFileFormat>(), F::DXT3, F::A8R8G8B8},
    // MNG follows PNG's rule
    {"MNG", Writer<TMNGFileFormat>(), F::X8R8G8B8, F::R8G8B8},
    {"MNG", Writer<TMNGFileFormat>(), F::DXT5, F::A8R8G8B8},
    {"MNG", Writer<TMNGFileFormat>(), F::R32F, F::B16G16R16},
    // JNG: 8-bit grey or colour, with or without alpha
    {"JNG", Writer<TJNGFileFormat>(), F::Gray16, F::Gray8},
    {"JNG", Writer<TJNGFileFormat>(), F::A16Gray16, F::A8Gray8},
    {"JNG", Writer<TJNGFileFormat>(), F::X8R8G8B8, F::R8G8B8},
    {"JNG", Writer<TJNGFileFormat>(), F::DXT5, F::A8R8G8B8},
};

class WriterConversionRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(WriterConversionRule, WritesTheRulesFormat) {
  const RuleCase& c = GetParam();
  const auto writer = c.Make();
  ASSERT_FALSE(writer->FSupportedFormats.Contains(c.Source));
  ASSERT_TRUE(writer->FSupportedFormats.Contains(c.Written));
  const TImageData source = writer_readback::MakePatternImage(c.Source, 8, 4);
  TImageData converted = source;
  ConvertImageFormat(converted, c.Written);

  TMemoryStream direct, viaRule;
  writer->SaveImageToStream(viaRule, source);
  writer->SaveImageToStream(direct, converted);
  ASSERT_EQ(viaRule.Size(), direct.Size());
  EXPECT_EQ(std::memcmp(viaRule.Memory(), direct.Memory(), static_cast<size_t>(direct.Size())), 0);
}

INSTANTIATE_TEST_SUITE_P(Rules, WriterConversionRule, ::testing::ValuesIn(kRules), [](const auto& info) {
  return std::string(info.param.Writer) + "_" + GetFormatName(info.param.Source);
});

}  // namespace
