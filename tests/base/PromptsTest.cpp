#include "base/BusyCursor.h"
#include "base/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>

TEST(ScriptedPrompts, RecordsBoxesAndAnswersFromTheQueueThenTheDefault)
{
    ScriptedPrompts prompts;
    prompts.queueAnswer(Prompts::Answer::Ok);
    EXPECT_EQ(prompts.ask(nullptr, Prompts::Icon::Question, "t1", "続けますか？",
                          Prompts::Buttons::OkCancel, Prompts::Answer::Cancel),
              Prompts::Answer::Ok);
    EXPECT_EQ(prompts.ask(nullptr, Prompts::Icon::Question, "t2", "x", Prompts::Buttons::OkCancel,
                          Prompts::Answer::Cancel),
              Prompts::Answer::Cancel);
    prompts.tell(nullptr, Prompts::Icon::Warning, "INIT エラー",
                 "ＯＤＢＣの初期化に失敗しました。");
    ASSERT_EQ(prompts.boxes().size(), 3);
    EXPECT_EQ(prompts.boxes()[0].text, "続けますか？");
    EXPECT_EQ(prompts.boxes()[1].answered, Prompts::Answer::Cancel);
    EXPECT_EQ(prompts.boxes()[2].icon, Prompts::Icon::Warning);
    EXPECT_EQ(prompts.boxes()[2].buttons, Prompts::Buttons::Ok);
}

TEST(ScriptedPrompts, InstalledInstanceServesTheProgram)
{
    ScriptedPrompts prompts;
    Prompts::install(&prompts);
    Prompts::instance().tell(nullptr, Prompts::Icon::Information, "a", "b");
    Prompts::install(nullptr);
    EXPECT_EQ(prompts.boxes().size(), 1);
}

TEST(BusyCursor, NestedGuardsRestoreThePointer)
{
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        BusyCursor outer;
        {
            BusyCursor inner;
            ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
            EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
