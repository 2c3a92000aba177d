// The message transcript: with MDS_MESSAGE_LOG set, every message and
// question leaves its prepared text as one line in the named file.
#include <gtest/gtest.h>

#include <fstream>

#include "../../foundation/TempTree.h"
#include "look_fixture.h"
#include "scoped_env.h"
#include "ui/look/sb.h"

namespace {

class MessageTranscriptTest : public LookTest {
 protected:
  std::vector<String> Transcript() {
    std::vector<String> Lines;
    std::ifstream In(T.Root + "messages.txt", std::ios::binary);
    for (String Line; std::getline(In, Line);) Lines.push_back(Line);
    return Lines;
  }
  void CloseNextBox() { Answers().PressButton("*", "Schließen"); }
  TempTree T;
};

TEST_F(MessageTranscriptTest, MessagesAndQuestionsLeaveOneLineEachInOrder) {
  ScopedEnv Log("MDS_MESSAGE_LOG", T.Root + "messages.txt");
  CloseNextBox();
  ShowMsgBox("<B>Erste</B>\r\nZeile<BR>drei", "Hilfe dazu");
  Answers().PressButton("*", "Ja");
  EXPECT_TRUE(AskMsgBox("Weiter?"));
  EXPECT_EQ(Transcript(), (std::vector<String>{"<B>Erste</B><br>Zeile<br>drei", "Weiter?"}));
}

TEST_F(MessageTranscriptTest, WithoutTheVariableNothingIsWritten) {
  ScopedEnv Log("MDS_MESSAGE_LOG", "");
  CloseNextBox();
  ShowMsgBox("Text");
  EXPECT_FALSE(std::filesystem::exists(T.Root + "messages.txt"));
  EXPECT_EQ(Responder->Shown().size(), 1u);
}

TEST_F(MessageTranscriptTest, AnUnwritableTranscriptStillShowsTheBox) {
  ScopedEnv Log("MDS_MESSAGE_LOG", T.Root + "kein/Ordner/messages.txt");
  CloseNextBox();
  ShowMsgBox("Text");
  EXPECT_EQ(Responder->Shown().size(), 1u);
  EXPECT_TRUE(Responder->Unexpected().empty());
}

}  // namespace
