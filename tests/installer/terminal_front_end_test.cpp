#include "installer/posix/terminal_front_end.h"

#include <gtest/gtest.h>

namespace {

// Under --yes a question asked again at once (swapdisk whose file is still missing) is
// answered No, so an unattended install cannot ask for ever; --no is never changed.
TEST(TerminalFrontEndTest, AnAutomaticYesIsNotGivenToTheSameQuestionTwiceInARow) {
  installer::TerminalAnswers answers;
  answers.question = installer::kAnswerYes;
  installer::TerminalFrontEnd yes(answers);
  const int expected[] = {installer::kAnswerYes, installer::kAnswerNo, installer::kAnswerYes};
  for (int answer : expected) EXPECT_EQ(yes.Ask("Insert disk 2"), answer);
  EXPECT_EQ(yes.Ask("Run the editor now?"), installer::kAnswerYes);
  EXPECT_EQ(yes.Ask("Insert disk 2"), installer::kAnswerYes);

  answers.question = installer::kAnswerNo;
  installer::TerminalFrontEnd no(answers);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(no.Ask("Insert disk 2"), installer::kAnswerNo);
}

}  // namespace
