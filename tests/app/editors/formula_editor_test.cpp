// The formula editor: joining lines, the coloured ranges of each mode, OK/Cancel, Quick Help.
#include "app/editors/formula_editor.h"
#include "editor_test_support.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTextBlock>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace {

using qm::app::TColorMemo;
using qm::app::Teditform;
using qm::app::TForm5;

std::vector<std::pair<int, int>> spans(const std::vector<qm::app::TKeyDescr>& ranges) {
    std::vector<std::pair<int, int>> result;
    for (const auto& r : ranges)
        result.emplace_back(r.StartPos, r.EndPos);
    return result;
}

TEST(TeditformJoinLines, TrimsEachLineAndJoinsWithNothingBetween) {
    struct Case {
        const char* text;
        const char* joined;
    } const cases[] = {
        {"SIN(X)\n  +COS(Y)\n*2 ", "SIN(X)+COS(Y)*2"},
        {"i*2", "i*2"},
        {"\tA\r\n\x01+B\x02\r", "A+B"},
        {"X + Y", "X + Y"}, // inner blanks stay (the compiler rejects them)
        {"\n\n  \n", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Teditform::joinLines(QString::fromLatin1(c.text)), QString(c.joined)) << c.text;
}

TEST(BeginEndRanges, FromEachOpeningToTheNextClosingWithoutNesting) {
    using Spans = std::vector<std::pair<int, int>>;
    struct Case {
        const char* line;
        Spans expected;
    } const cases[] = {
        {"MAX(I,(X+Y))", {{4, 11}}},
        {"SIN(X*(Y+1))", {{4, 11}}},
        {"(a)(b)", {{1, 3}, {4, 6}}},
        {"X+Y", {}},
        {"X)+(Y", {}}, // first ")" before the first "("
        {"A)(B)", {}}, // the same, even with a later pair
        {"((", {}},    // no closing bracket
        {"(A))(", {{1, 3}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(spans(qm::app::beginEndRanges(c.line, '(', ')')), c.expected) << c.line;
    QString many;
    for (int i = 0; i < 60; ++i)
        many += "()";
    EXPECT_EQ(qm::app::beginEndRanges(many, '(', ')').size(), 51u);
}

TEST(KeywordRanges, WordsOfLettersAndAtSignCaseByProperty) {
    const QStringList keys{"sin", "Cos"};
    EXPECT_EQ(spans(qm::app::keywordRanges("SIN(x)+cos(y)", keys, false)),
              (std::vector<std::pair<int, int>>{{1, 3}, {8, 10}}));
    EXPECT_EQ(spans(qm::app::keywordRanges("SIN(x)+Cos(y)", keys, true)),
              (std::vector<std::pair<int, int>>{{8, 10}}));
    EXPECT_TRUE(qm::app::keywordRanges("sin@ xsin sin2", keys, false).size() == 1);
}

TEST(TColorMemo, DefaultsAndModes) {
    qm::test::qtApp();
    TColorMemo memo;
    EXPECT_EQ(memo.KeyBeginChar(), QChar('<'));
    EXPECT_EQ(memo.KeyEndChar(), QChar('>'));
    EXPECT_EQ(memo.KeyDrawingType(), qm::app::dtBeginEnd);
    EXPECT_FALSE(memo.KeyCase());
    EXPECT_EQ(memo.KeyColor(), QColor(Qt::red));
    EXPECT_EQ(spans(memo.rangesOf("a<b>c")), (std::vector<std::pair<int, int>>{{2, 4}}));
    memo.setKeyDrawingType(qm::app::dtKeyShow); // no keywords: still begin/end
    EXPECT_EQ(memo.rangesOf("a<b>c").size(), 1u);
    memo.setKeywords({"abc"});
    EXPECT_EQ(spans(memo.rangesOf("x ABC <y>")), (std::vector<std::pair<int, int>>{{3, 5}}));
    memo.setKeyDrawingType(qm::app::dtEventDraw);
    memo.setOnDrawLine([](TColorMemo*, const QString&, qm::app::TKeyRanges& table) {
        table[0] = {2, 3, QColor(Qt::green)};
        table[1] = {4, 999, QColor()}; // past the line's end: cut to the line
        table[2] = {9, 3, QColor()};   // empty: dropped
    });
    EXPECT_EQ(spans(memo.rangesOf("abcdef")), (std::vector<std::pair<int, int>>{{2, 3}, {4, 6}}));
}

TEST(Teditform, ShowsTheBracketRangeInBlueAndTheRestInTheNormalColour) {
    qm::test::qtApp();
    Teditform editor;
    EXPECT_EQ(editor.windowTitle(), QString("Formula Editor"));
    EXPECT_EQ(editor.size(), QSize(431, 301));
    editor.ColorMemo1()->setPlainText("MAX(I,(X+Y))\nX+Y\nA)(B)");
    const QTextBlock first = editor.ColorMemo1()->document()->firstBlock();
    const auto formats = first.layout()->formats();
    ASSERT_EQ(formats.size(), 1);
    EXPECT_EQ(formats[0].start, 3);
    EXPECT_EQ(formats[0].length, 8); // "(I,(X+Y)", the last ")" stays normal
    EXPECT_EQ(formats[0].format.foreground().color(), QColor(Qt::blue));
    EXPECT_TRUE(first.next().layout()->formats().isEmpty());
    EXPECT_TRUE(first.next().next().layout()->formats().isEmpty());
}

TEST(Teditform, OkJoinsTheLinesCancelAndCloseBoxLeaveTheText) {
    qm::test::qtApp();
    struct Case {
        const char* button; // null: the close box
        bool changed;
    } const cases[] = {{"RxSpeedButton1", true}, {"RxSpeedButton2", false}, {nullptr, false}};
    for (const Case& c : cases) {
        QString text = "i*2";
        qm::test::whenModal([&c](QWidget* dialog) {
            auto* editor = qobject_cast<Teditform*>(dialog);
            ASSERT_NE(editor, nullptr);
            EXPECT_EQ(editor->ColorMemo1()->toPlainText(), QString("i*2"));
            editor->ColorMemo1()->setPlainText("SIN(X)\n  +COS(Y)\n*2 ");
            if (c.button)
                editor->findChild<QPushButton*>(c.button)->click();
            else
                editor->close();
        });
        EXPECT_EQ(Teditform::editFormula(nullptr, text), c.changed);
        EXPECT_EQ(text, QString(c.changed ? "SIN(X)+COS(Y)*2" : "i*2"));
    }
}

TEST(TForm5, ShowsTheFortyOneLinesVerbatim) {
    qm::test::qtApp();
    const QStringList& lines = TForm5::helpLines();
    ASSERT_EQ(lines.size(), 41);
    EXPECT_EQ(lines[2], QString("    I    =    Number of Iterations returned "));
    EXPECT_EQ(lines[4], QString("    A   =   X-potential ----------\"------------------"));
    EXPECT_EQ(lines[14], QString());
    EXPECT_EQ(lines[20], QString("    "));
    EXPECT_EQ(lines[39], QString("     \\(a,b)   : OR "));
    EXPECT_EQ(lines[40], QString("     |(a,b)   : NOT "));
    TForm5 form;
    auto* memo = form.findChild<QPlainTextEdit*>("Memo1");
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->toPlainText().split('\n'), lines);
    EXPECT_EQ(form.windowTitle(), QString("Quick Help"));
    EXPECT_EQ(form.size(), QSize(435, 356));
}

TEST(TForm5, AtMostOneOpenWithTheButtonDisabledMeanwhile) {
    qm::test::qtApp();
    QMdiArea area;
    QAction button("Overview");
    area.show();
    TForm5* form = TForm5::overviewclick(&area, &button);
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(button.isEnabled());
    EXPECT_TRUE(TForm5::isOpen(&area));
    EXPECT_EQ(TForm5::overviewclick(&area, &button), nullptr);
    EXPECT_EQ(area.subWindowList().size(), 1);
    area.subWindowList().front()->close();
    EXPECT_TRUE(button.isEnabled());
    EXPECT_FALSE(TForm5::isOpen(&area));
    EXPECT_NE(TForm5::overviewclick(&area, &button), nullptr);
}

} // namespace
