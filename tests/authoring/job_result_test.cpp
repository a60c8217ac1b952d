// The job results of a failed job, decoded into kind, title and chapter, and
// told in words.
#include "pennock/job_result.h"

#include <gtest/gtest.h>

namespace pennock {
namespace {

using enum JobResultKind;

TEST(JobResult, DecodesKindTitleAndChapter) {
  const struct {
    std::intptr_t code;
    JobResultKind kind;
    int title;
    int chapter;
  } cases[] = {
      {kResultBuffers, OutOfMemory, 0, 0},
      {kResultWriteFailed, WriteFailed, 0, 0},
      {kResultAbortRecording, Cancelled, 0, 0},
      // The named codes win over the titles and chapters they look like.
      {kResultBuilder, BuilderFailed, 0, 0},
      {kStatusTempStreamMissing, TempStreamMissing, 0, 0},
      {kStatusVmgWriteFailed, MenuWriteFailed, 0, 0},
      {101, AudioUnusable, 1, 1},
      {203, AudioUnusable, 2, 3},
      {9999, AudioUnusable, 99, 99},
      {300, Cancelled, 3, 0},
      {9900, Cancelled, 99, 0},
      {kResultPictureBase + 101, PictureUnusable, 1, 1},
      {kResultPictureBase + 1299, PictureUnusable, 12, 99},
      {kResultPictureBase + 9901, PictureUnusable, 99, 1},
      // No title 0, no chapter 0 of a picture, nothing past the ranges.
      {0, Unknown, 0, 0},
      {5, Unknown, 0, 0},
      {-3, Unknown, 0, 0},
      {-100, Unknown, 0, 0},
      {10000, Unknown, 0, 0},
      {kResultPictureBase, Unknown, 0, 0},
      {kResultPictureBase + 50, Unknown, 0, 0},
      {kResultPictureBase + 300, Unknown, 0, 0},
      {kResultPictureBase + 10000, Unknown, 0, 0},
  };
  for (const auto& c : cases) {
    const JobResult result = DecodeJobResult(c.code);
    EXPECT_EQ(result.kind, c.kind) << c.code;
    EXPECT_EQ(result.code, c.code);
    EXPECT_EQ(result.title, c.title) << c.code;
    EXPECT_EQ(result.chapter, c.chapter) << c.code;
  }
}

TEST(JobResult, ReasonsInWords) {
  const struct {
    JobResult result;
    const char* reason;
  } cases[] = {
      {DecodeJobResult(203), "the audio of title 2, chapter 3 cannot be used"},
      {DecodeJobResult(kResultPictureBase + 1299), "the picture of title 12, chapter 99 cannot be encoded"},
      {DecodeJobResult(300), "cancelled"},
      {DecodeJobResult(kResultAbortRecording), "cancelled"},
      {DecodeJobResult(kResultBuffers), "not enough memory"},
      {DecodeJobResult(kResultWriteFailed), "a disc file could not be written (is the disk full?)"},
      {DecodeJobResult(kStatusTempStreamMissing), "a temporary stream went missing"},
      {DecodeJobResult(kResultBuilder), "the disc structure could not be built"},
      {DecodeJobResult(kStatusVmgWriteFailed), "the disc menu files could not be written"},
      {DecodeJobResult(12345), "authoring ended with code 12345"},
      {{FoldersNotPrepared, -100}, "the DVD folder could not be prepared (a file in its VIDEO_TS folder cannot be replaced)"},
  };
  for (const auto& c : cases) EXPECT_EQ(JobResultReason(c.result), c.reason) << c.result.code;
}

}  // namespace
}  // namespace pennock
