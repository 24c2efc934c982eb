// The prompt seam: what the programs would show reaches the recorder, which answers from a script.
#include <gtest/gtest.h>

#include <thread>

#include "platform/ui/prompt_recorder.h"
#include "platform/ui/prompts.h"

namespace {

TEST(Prompts, RecorderCapturesMessagesAndAnswersFromItsScript) {
  ui::PromptRecorder recorder;
  ui::ScopedPrompts installed(recorder);
  recorder.QueueAnswer(IDNO);

  EXPECT_EQ(ui::ShowMessage(nullptr, L"Cài đặt?", L"Caption", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(ui::ShowMessage(nullptr, L"second", L"Caption", MB_OK), IDOK) << "unscripted boxes answer the default";

  const auto entries = recorder.Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].kind, ui::PromptRecorder::Kind::Message);
  EXPECT_EQ(entries[0].text, L"Cài đặt?");
  EXPECT_EQ(entries[0].caption, L"Caption");
  EXPECT_EQ(entries[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
}

TEST(Prompts, OpenFileAnswersAreScriptedAndCancelByDefault) {
  ui::PromptRecorder recorder;
  ui::ScopedPrompts installed(recorder);
  recorder.QueueOpenFile(std::wstring(L"C:\\certs\\user.cer"));
  ui::OpenFileRequest request{L"Certificates File (*.cer*)|*.cer*||", L"*.cer", 0};

  EXPECT_EQ(ui::CurrentPrompts().AskOpenFile(nullptr, request), std::optional<std::wstring>(L"C:\\certs\\user.cer"));
  EXPECT_EQ(ui::CurrentPrompts().AskOpenFile(nullptr, request), std::nullopt);
  ASSERT_EQ(recorder.Count(), 2u);
  EXPECT_EQ(recorder.Last()->filter, request.filter);
}

TEST(Prompts, ScopeRestoresThePreviousPromptsAndWorkerThreadsAreRecorded) {
  ui::PromptRecorder outer;
  ui::ScopedPrompts outerScope(outer);
  {
    ui::PromptRecorder inner;
    ui::ScopedPrompts innerScope(inner);
    std::thread worker([] { ui::ShowMessage(nullptr, L"from a worker", L"", MB_OK); });
    EXPECT_TRUE(inner.WaitForCount(1, std::chrono::seconds(5)));
    worker.join();
  }
  EXPECT_EQ(&ui::CurrentPrompts(), &outer);
  EXPECT_EQ(outer.Count(), 0u);
}

}  // namespace
