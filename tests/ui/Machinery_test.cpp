// The machinery every window uses: number fields, text tables, layouts and
// the operator port's boxes, listing and courier.

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <atomic>
#include <thread>

#include "UiTest.h"
#include "ui/common/Fields.h"
#include "ui/common/Texts.h"

using namespace uitest;

namespace {

constexpr ui::Item kLayout[] = {
    ui::Group(1301, "Current Speed").At(0, 0), ui::Label(1299, "Row NO.").In(1301).At(0, 0),
    ui::Edit(1120).In(1301).At(0, 1),          ui::Button(1121, "Start(&T)").At(1, 0),
    ui::Combo(1230, "No\nYes").At(2, 0),       ui::Combo(1231).At(2, 1),
};

constexpr ui::Text kTexts[] = {
    {ui::kCaption, "Type Select", "类型选择"}, {1301, "Current Speed", "当前速度"}, {1299, "  Loop", "总循环次数"},
    {1121, "Start(&T)", "开始(&T)", 1},        {1230, "No\nYes", "否\n是"},
};

}  // namespace

class MachineryTest : public QObject {
  Q_OBJECT

 private slots:
  void numbersShowFifteenSignificantDigits() {
    QCOMPARE(ui::NumberText(0.1), QStringLiteral("0.1"));
    QCOMPARE(ui::NumberText(1.0 / 3.0), QStringLiteral("0.333333333333333"));
    QCOMPARE(ui::NumberText(-12.5), QStringLiteral("-12.5"));
    QCOMPARE(ui::NumberText(20), QStringLiteral("20"));
    QCOMPARE(ui::NumberText(123456789012345678.0), QStringLiteral("1.23456789012346e+17"));
  }

  void numbersParseAsTheFieldsTakeThem() {
    QCOMPARE(ui::ParseNumber(QStringLiteral(" 2.5 ")), std::optional<double>(2.5));
    QCOMPARE(ui::ParseNumber(QStringLiteral("+3")), std::optional<double>(3.0));
    QCOMPARE(ui::ParseNumber(QStringLiteral("-.5")), std::optional<double>(-0.5));
    QCOMPARE(ui::ParseNumber(QStringLiteral("1e3")), std::optional<double>(1000.0));
    for (const char* bad : {"", "  ", "abc", "1,5", "2.5mm", "nan", "inf", "-inf", "1e999", "+-1", "++1", "1 2"}) {
      QVERIFY2(!ui::ParseNumber(QString::fromLatin1(bad)), bad);
    }
    QCOMPARE(ui::ParseInteger(QStringLiteral(" 42 ")), std::optional<std::int64_t>(42));
    QCOMPARE(ui::ParseInteger(QStringLiteral("-7")), std::optional<std::int64_t>(-7));
    for (const char* bad : {"", "4.0", "x", "1e3", "+-2", "99999999999999999999"}) {
      QVERIFY2(!ui::ParseInteger(QString::fromLatin1(bad)), bad);
    }
  }

  // Text that is not a number keeps the value and prompts in the language.
  void badNumberPromptsAndKeepsTheValue() {
    for (int language : {kLangEnglish, kLangChinese}) {
      Bench bench(kOrvb, 1, language);
      QLineEdit field;
      field.setText(QStringLiteral("12x"));
      double value = 7.0;
      DialogScript script;
      QVERIFY(!ui::TakeNumber(&field, value));
      QCOMPARE(value, 7.0);
      QCOMPARE(script.Shown(), QStringList{language == kLangEnglish ? QStringLiteral("Please enter a number.")
                                                                    : QStringLiteral("请键入一个数。")});
      QCOMPARE(script.Captions(), QStringList{QStringLiteral("Tessor")});
      field.setText(QStringLiteral("0.25"));
      QVERIFY(ui::TakeNumber(&field, value));
      QCOMPARE(value, 0.25);
    }
  }

  void integerFieldsCheckTheirRange() {
    Bench bench(kOrvb, 1, kLangChinese);
    QLineEdit field;
    int loops = 3;
    DialogScript script;
    field.setText(QStringLiteral("1.5"));
    QVERIFY(!ui::TakeInteger(&field, loops, 0, 100000000));
    field.setText(QStringLiteral("100000001"));
    QVERIFY(!ui::TakeInteger(&field, loops, 0, 100000000));
    QCOMPARE(loops, 3);
    QCOMPARE(script.Shown(), (QStringList{QStringLiteral("请键入一个整数。"),
                                          QStringLiteral("请键入一个介于 0 和 100000000 之间的整数。")}));
    field.setText(QStringLiteral("100000000"));
    QVERIFY(ui::TakeInteger(&field, loops, 0, 100000000));
    QCOMPARE(loops, 100000000);
  }

  // Controls are found by identifier; texts follow the language, and any
  // other language leaves the layout's own texts.
  void textTablesFollowTheLanguage() {
    QWidget window;
    ui::MarkWindow(&window, "Sample");
    ui::BuildLayout(&window, kLayout);
    QVERIFY(Find<QGroupBox>(&window, 1301) != nullptr);
    QVERIFY(Find<QLineEdit>(&window, 1120) != nullptr);

    ui::ApplyTexts(&window, kTexts, 2);
    QCOMPARE(TextOf(&window, 1301), QStringLiteral("Current Speed"));
    QCOMPARE(TextOf(&window, 1299), QStringLiteral("Row NO."));

    ui::ApplyTexts(&window, kTexts, kLangEnglish);
    QCOMPARE(window.windowTitle(), QStringLiteral("Type Select"));
    QCOMPARE(TextOf(&window, 1299), QStringLiteral("  Loop"));
    QCOMPARE(TextOf(&window, 1121), QStringLiteral("Start(&T)"));  // another set

    ui::ApplyTexts(&window, kTexts, kLangChinese);
    ui::ApplyTexts(&window, kTexts, kLangChinese, 1);
    QCOMPARE(window.windowTitle(), QStringLiteral("类型选择"));
    QCOMPARE(TextOf(&window, 1301), QStringLiteral("当前速度"));
    QCOMPARE(TextOf(&window, 1121), QStringLiteral("开始(&T)"));
  }

  // A list's entries are its text: from the layout, then by language; the
  // entry shown stays and no handler hears of the change.
  void listEntriesFollowTheLanguage() {
    QWidget window;
    ui::BuildLayout(&window, kLayout);
    auto* list = Find<QComboBox>(&window, 1230);
    QCOMPARE(list->count(), 2);
    QCOMPARE(Find<QComboBox>(&window, 1231)->count(), 0);
    list->setCurrentIndex(1);
    int changes = 0;
    QObject::connect(list, &QComboBox::currentIndexChanged, [&changes] { ++changes; });
    ui::ApplyTexts(&window, kTexts, kLangChinese);
    QCOMPARE(TextOf(&window, 1230), QStringLiteral("否\n是"));
    QCOMPARE(list->currentText(), QStringLiteral("是"));
    ui::SetObjectText(list, QStringLiteral("Only"));
    QCOMPARE(list->currentIndex(), -1);  // the entry shown is gone
    QCOMPARE(changes, 0);
  }

  // A window's lookup does not reach into a nested window with the same
  // identifiers.
  void lookupsStayInTheirWindow() {
    QWidget outer;
    ui::MarkWindow(&outer, "Outer");
    auto* inner = new QWidget(&outer);
    ui::MarkWindow(inner, "Inner");
    auto* innerEdit = new QLineEdit(inner);
    innerEdit->setObjectName(QStringLiteral("1026"));
    QCOMPARE(Find<QLineEdit>(&outer, 1026), nullptr);
    QCOMPARE(Find<QLineEdit>(inner, 1026), innerEdit);
    QCOMPARE(Find<QWidget>(&outer, QStringLiteral("Inner")), inner);
  }

  // Button texts come from our own table, results are those of the
  // program, and the caption is the application's.
  void boxesSpeakTheLanguage() {
    Bench bench(kOrvb, 1, kLangChinese);
    DialogScript script;
    script.Answer(kBoxCancel);
    QCOMPARE(Operator().MessageBox("问题", kAppTitle, BoxButtons::OkCancel, BoxIcon::None), kBoxCancel);
    script.Answer(kBoxNo);
    QCOMPARE(Operator().MessageBox("问题", kAppTitle, BoxButtons::YesNo, BoxIcon::Question), kBoxNo);

    bool checked = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box != nullptr);
      QCOMPARE(TextOf(box, kBoxYes), QStringLiteral("是"));
      QCOMPARE(TextOf(box, kBoxNo), QStringLiteral("否"));
      QCOMPARE(box->defaultButton()->objectName(), QString::number(kBoxNo));
      checked = true;
    });
    script.Answer(kBoxYes);
    QCOMPARE(bench.Port().Ask("退出?", "退出", BoxButtons::YesNo, BoxIcon::Question, kBoxNo), kBoxYes);
    QVERIFY(checked);

    SysParams.LangVer = kLangEnglish;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box != nullptr);
      QCOMPARE(TextOf(box, kBoxOk), QStringLiteral("OK"));
      QCOMPARE(TextOf(box, kBoxCancel), QStringLiteral("Cancel"));
      box->reject();  // Escape answers Cancel
    });
    QCOMPARE(Operator().MessageBox("Question", kAppTitle, BoxButtons::OkCancel, BoxIcon::None), kBoxCancel);
  }

  // A box asked for from another thread (the tick's courier) stands while
  // the windows go on; the courier gets the answer.
  void courierWaitsWhileTheWindowsGoOn() {
    Bench bench;
    DialogScript script;
    script.Answer(kBoxOk);
    std::atomic<int> result{-1};
    std::thread courier([&] {
      result = Operator().MessageBox("Error:The motion is outside!", kAppTitle, BoxButtons::Ok, BoxIcon::None);
    });
    QVERIFY(QTest::qWaitFor([&] { return result.load() != -1; }, 5000));
    courier.join();
    QCOMPARE(result.load(), kBoxOk);
    QCOMPARE(script.Shown(), QStringList{QStringLiteral("Error:The motion is outside!")});
  }

  // Quitting while a courier waits for its box releases it at once.
  void quitReleasesAWaitingCourier() {
    Bench bench;
    std::atomic<int> result{-1};
    std::thread courier([&] { result = Operator().MessageBox("held", kAppTitle, BoxButtons::Ok, BoxIcon::None); });
    QVERIFY(WaitForShownBox() != nullptr);
    bench.Port().RequestQuit(0);
    courier.join();
    QCOMPARE(result.load(), 0);
    QVERIFY(bench.Port().QuitRequested());
    QCoreApplication::processEvents();
    for (QWidget* top : QApplication::topLevelWidgets()) {
      QVERIFY(qobject_cast<QMessageBox*>(top) == nullptr || !top->isVisible());
    }
  }

  // Qt's own strings (edit menus, the file dialog) follow the language.
  void qtStringsFollowTheLanguage() {
    Bench bench;
    const QString english = QCoreApplication::translate("QLineEdit", "&Undo");
    QCOMPARE(english, QStringLiteral("&Undo"));
    bench.Port().FollowLanguage(kLangChinese);
    const QString chinese = QCoreApplication::translate("QLineEdit", "&Undo");
    QVERIFY2(chinese != english && chinese.contains(QStringLiteral("(&U)")), qPrintable(chinese));
    bench.Port().FollowLanguage(kLangEnglish);
    QCOMPARE(QCoreApplication::translate("QLineEdit", "&Undo"), english);
  }

  // Selections written from the tick's thread are posted, never waited for.
  void selectionsFromAnotherThreadArePosted() {
    Bench bench;
    for (const char* row : {"G00 X1", "G00 X2", "G00 X3"}) Operator().ListAppend(row);
    std::thread tick([] { Operator().ListSelect(2); });
    tick.join();
    QCOMPARE(Operator().ListSelectedRow(), -1);
    QCoreApplication::processEvents();
    QCOMPARE(Operator().ListSelectedRow(), 2);
    Operator().ListSelect(-1);
    QCOMPARE(Operator().ListSelectedRow(), -1);
    Operator().ListDelete(7);  // outside the listing: nothing happens
    QCOMPARE(bench.Port().Listing()->Count(), 3);
  }
};

QTEST_MAIN(MachineryTest)
#include "Machinery_test.moc"
