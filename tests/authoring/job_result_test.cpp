// The job results of a failed job, decoded into kind, title and chapter.
#include "pennock/job_result.h"

#include <gtest/gtest.h>

namespace pennock {
namespace {

using enum JobResultKind;

void ExpectDecoded(std::intptr_t code, JobResultKind kind, int title = 0, int chapter = 0) {
  const JobResult result = DecodeJobResult(code);
  EXPECT_EQ(result.kind, kind) << code;
  EXPECT_EQ(result.code, code);
  EXPECT_EQ(result.title, title) << code;
  EXPECT_EQ(result.chapter, chapter) << code;
}

TEST(JobResult, NamedCodes) {
  ExpectDecoded(kResultBuffers, OutOfMemory);
  ExpectDecoded(kResultWriteFailed, WriteFailed);
  ExpectDecoded(kResultAbortRecording, Cancelled);
  ExpectDecoded(kResultBuilder, BuilderFailed);
  ExpectDecoded(kStatusTempStreamMissing, TempStreamMissing);
  ExpectDecoded(kStatusVmgWriteFailed, MenuWriteFailed);
}

TEST(JobResult, TitlesAndChapters) {
  ExpectDecoded(203, AudioUnusable, 2, 3);
  ExpectDecoded(9999, AudioUnusable, 99, 99);
  ExpectDecoded(101, AudioUnusable, 1, 1);
  ExpectDecoded(300, Cancelled, 3);
  ExpectDecoded(9900, Cancelled, 99);
  ExpectDecoded(kResultPictureBase + 101, PictureUnusable, 1, 1);
  ExpectDecoded(kResultPictureBase + 1299, PictureUnusable, 12, 99);
  ExpectDecoded(kResultPictureBase + 9901, PictureUnusable, 99, 1);
}

TEST(JobResult, CodesOfNoKind) {
  for (std::intptr_t code : {0, 5, 99, -3, -100, 10000, 12345, kResultPictureBase, kResultPictureBase + 50,
                             kResultPictureBase + 300, kResultPictureBase + 10000})
    ExpectDecoded(code, Unknown);
}

TEST(JobResult, ReasonsInWords) {
  EXPECT_EQ(JobResultReason(DecodeJobResult(203)), "the audio of title 2, chapter 3 cannot be used");
  EXPECT_EQ(JobResultReason(DecodeJobResult(kResultPictureBase + 1299)),
            "the picture of title 12, chapter 99 cannot be encoded");
  EXPECT_EQ(JobResultReason(DecodeJobResult(300)), "cancelled");
  EXPECT_EQ(JobResultReason(DecodeJobResult(kResultAbortRecording)), "cancelled");
  EXPECT_EQ(JobResultReason(DecodeJobResult(kResultBuffers)), "not enough memory");
  EXPECT_EQ(JobResultReason(DecodeJobResult(kResultWriteFailed)), "a disc file could not be written (is the disk full?)");
  EXPECT_EQ(JobResultReason(DecodeJobResult(kStatusTempStreamMissing)), "a temporary stream went missing");
  EXPECT_EQ(JobResultReason(DecodeJobResult(kResultBuilder)), "the disc structure could not be built");
  EXPECT_EQ(JobResultReason(DecodeJobResult(kStatusVmgWriteFailed)), "the disc menu files could not be written");
  EXPECT_EQ(JobResultReason(DecodeJobResult(12345)), "authoring ended with code 12345");
  EXPECT_EQ(JobResultReason({JobResultKind::FoldersNotPrepared, -100}),
            "the DVD folder could not be prepared (a file in its VIDEO_TS folder cannot be replaced)");
}

}  // namespace
}  // namespace pennock
