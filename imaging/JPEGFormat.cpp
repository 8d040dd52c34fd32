#include "JPEGFormat.h"

#include <csetjmp>
#include <cstdio>
#include <exception>
#include <memory>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <jerror.h>

#include "Exceptions.h"
#include "WriterSupport.h"

namespace {

constexpr uint8_t kSignature[3] = {0xFF, 0xD8, 0xFF};
constexpr size_t kBufferBytes = 64 * 1024;

// The compressor and everything its callbacks reach through client_data.
// libjpeg's default error_exit ends the process; ours records the message and
// longjmps to CompressGuarded, which keeps only trivially destructible state.
struct TJpegContext {
  jpeg_compress_struct Info{};
  jpeg_error_mgr Errors{};
  jpeg_destination_mgr Destination{};
  std::jmp_buf Jump{};
  TStream* Out = nullptr;
  std::exception_ptr StreamFailure;
  char Message[JMSG_LENGTH_MAX] = {};
  uint8_t Buffer[kBufferBytes];

  // Safe in every state: jpeg_destroy releases only what create allocated.
  ~TJpegContext() { jpeg_destroy_compress(&Info); }
};

TJpegContext& ContextOf(j_common_ptr info) { return *static_cast<TJpegContext*>(info->client_data); }

void OnErrorExit(j_common_ptr info) {
  TJpegContext& context = ContextOf(info);
  (*info->err->format_message)(info, context.Message);
  std::longjmp(context.Jump, 1);
}

// Warnings (corrupt-data notices and the like) never stop compression; keep them
// off the console.
void OnOutputMessage(j_common_ptr) {}

void OnInitDestination(j_compress_ptr info) {
  TJpegContext& context = ContextOf(reinterpret_cast<j_common_ptr>(info));
  info->dest->next_output_byte = context.Buffer;
  info->dest->free_in_buffer = kBufferBytes;
}

// Writes count buffered bytes; a stream failure is kept and turned into a
// libjpeg error once the catch block is left.
void Flush(j_compress_ptr info, size_t count) {
  TJpegContext& context = ContextOf(reinterpret_cast<j_common_ptr>(info));
  bool failed = false;
  try {
    context.Out->WriteBuffer(context.Buffer, static_cast<int64_t>(count));
  } catch (...) {
    context.StreamFailure = std::current_exception();
    failed = true;
  }
  if (failed) ERREXIT(info, JERR_FILE_WRITE);
}

boolean OnEmptyOutputBuffer(j_compress_ptr info) {
  Flush(info, kBufferBytes);
  OnInitDestination(info);
  return TRUE;
}

void OnTermDestination(j_compress_ptr info) { Flush(info, kBufferBytes - info->dest->free_in_buffer); }

struct TJpegJob {
  JDIMENSION Width = 0;
  JDIMENSION Height = 0;
  int Components = 0;
  J_COLOR_SPACE ColorSpace = JCS_UNKNOWN;
  uint8_t* Bits = nullptr;
  size_t RowBytes = 0;
  int Quality = 90;
  bool Progressive = false;
};

// Every libjpeg call runs in this frame; see TJpegContext for why the longjmp
// back here is safe.
bool CompressGuarded(TJpegContext& context, const TJpegJob& job) {
  if (setjmp(context.Jump)) return false;
  jpeg_create_compress(&context.Info);
  context.Info.client_data = &context;
  context.Info.dest = &context.Destination;
  context.Info.image_width = job.Width;
  context.Info.image_height = job.Height;
  context.Info.input_components = job.Components;
  context.Info.in_color_space = job.ColorSpace;
  jpeg_set_defaults(&context.Info);
  jpeg_set_quality(&context.Info, job.Quality, TRUE);
  if (job.Progressive) jpeg_simple_progression(&context.Info);
  jpeg_start_compress(&context.Info, TRUE);
  while (context.Info.next_scanline < context.Info.image_height) {
    JSAMPROW row = job.Bits + static_cast<size_t>(context.Info.next_scanline) * job.RowBytes;
    jpeg_write_scanlines(&context.Info, &row, 1);
  }
  jpeg_finish_compress(&context.Info);
  return true;
}

}  // namespace

void EncodeJPEG(TStream& out, const TImageData& image, int quality, bool progressive) {
  TJpegJob job;
  if (image.Format == TImageFormat::Gray8) {
    job.Components = 1;
    job.ColorSpace = JCS_GRAYSCALE;
  } else if (image.Format == TImageFormat::R8G8B8) {
    job.Components = 3;
    job.ColorSpace = JCS_EXT_BGR;  // our R8G8B8 stores blue first
  } else {
    throw EImagingError("JPEG cannot hold images of format " + GetFormatName(image.Format));
  }
  if (image.Width < 0 || image.Height < 0 ||
      static_cast<int64_t>(image.Bits.size()) != GetPixelsSize(image.Format, image.Width, image.Height))
    throw EImagingError("Invalid image: " + ImageToStr(image));
  job.Width = static_cast<JDIMENSION>(image.Width);
  job.Height = static_cast<JDIMENSION>(image.Height);
  // libjpeg takes non-const rows but only reads them.
  job.Bits = const_cast<uint8_t*>(image.Bits.data());
  job.RowBytes = static_cast<size_t>(image.Width) * static_cast<size_t>(job.Components);
  job.Quality = (quality >= 1 && quality <= 100) ? quality : 90;
  job.Progressive = progressive;

  auto context = std::make_unique<TJpegContext>();
  context->Out = &out;
  context->Info.err = jpeg_std_error(&context->Errors);
  context->Errors.error_exit = OnErrorExit;
  context->Errors.output_message = OnOutputMessage;
  context->Info.client_data = context.get();
  context->Destination.init_destination = OnInitDestination;
  context->Destination.empty_output_buffer = OnEmptyOutputBuffer;
  context->Destination.term_destination = OnTermDestination;

  if (!CompressGuarded(*context, job)) {
    if (context->StreamFailure) std::rethrow_exception(context->StreamFailure);
    RaiseCodecError("libjpeg", context->Message);
  }
}

TJPEGFileFormat::TJPEGFileFormat()
    : TImageFileFormat("Joint Photographic Experts Group Image", "*.jpg,*.jpeg,*.jfif,*.jpe,*.jif", false, true, false,
                       {TImageFormat::Gray8, TImageFormat::R8G8B8}) {}

bool TJPEGFileFormat::TestFormat(TStream& stream) { return StreamStartsWith(stream, kSignature, sizeof kSignature); }

TImageFormat TJPEGFileFormat::CompatibleFormat(const TImageFormatInfo& source) const {
  return source.HasGrayChannel ? TImageFormat::Gray8 : TImageFormat::R8G8B8;
}

void TJPEGFileFormat::SaveData(TStream& out, const TImageData& image) {
  EncodeJPEG(out, image, FQuality, FProgressive);
}
