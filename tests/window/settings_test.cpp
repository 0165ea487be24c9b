// The settings file through the window: the first run, reading every key,
// writing back what the file held, and failures that must not cost data.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "Unit1.h"
#include "file_util.h"
#include "mydialogs.h"
#include "platform.h"
#include "settingsdoc.h"
#include "test_support.h"

namespace calc {

namespace {

using test::ReadAll;

void WriteAll(const QString& path, const QByteArray& bytes) { QVERIFY(test::WriteAll(path, bytes)); }

}  // namespace

class SettingsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TemporaryConfig> config_;

  std::unique_ptr<TForm1> Start() {
    auto form = std::make_unique<TForm1>();
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) qWarning("window not exposed");
    return form;
  }
  static void Calculate(TForm1& form, const QString& text) {
    form.cb->setEditText(text);
    QTest::keyClick(form.cb->lineEdit(), Qt::Key_Return);
  }
  QString File() const { return config_->SettingsFile(); }

 private slots:
  void init() { config_ = std::make_unique<TemporaryConfig>(); }
  void cleanup() { config_.reset(); }

  void FirstRunWritesTheFileAndTheNextStartRestoresIt() {
    auto form = Start();
    QVERIFY(QFileInfo(config_->path() + "/VarnelSoftware/Expression Calculator").isDir());
    QVERIFY(!QFile::exists(File()));
    QCOMPARE(form->SettingsFileName, File());
    Calculate(*form, "(2 + 2) / 3");
    Calculate(*form, "2*3");
    form->move(123, 45);
    form->resize(700, form->height());
    QVERIFY(form->close());
    const QByteArray expected =
        "[Information]\r\nProgram=Varnel's Expression Calculator\r\nVersion=1.21\r\n\r\n"
        "[Interface]\r\nTop=45\r\nLeft=123\r\nWidth=716\r\nThousandsSeparator=1\r\nDecimalPlaces=2\r\n\r\n"
        "[Expressions]\r\nExpression1=2*3\r\nExpression2=(2 + 2) / 3\r\n\r\n";
    QCOMPARE(ReadAll(File()), expected);
    form.reset();

    auto again = Start();
    QCOMPARE(again->History(), (QStringList{"2*3", "(2 + 2) / 3"}));
    QCOMPARE(again->pos(), QPoint(123, 45));
    QCOMPARE(again->OuterWidth(), 716);
    QVERIFY(again->sepcb->isChecked());
    QVERIFY(again->dec2cb->isChecked());
    QCOMPARE(again->cb->currentText(), QString());
  }

  void OptionsAsLeftAndNoExpressionsSectionWhenEmpty() {
    auto form = Start();
    QTest::mouseClick(form->sepcb, Qt::LeftButton);
    QTest::mouseClick(form->dec2cb, Qt::LeftButton);
    QVERIFY(form->close());
    const QByteArray saved = ReadAll(File());
    QVERIFY(saved.contains("ThousandsSeparator=0\r\nDecimalPlaces=-1\r\n"));
    QVERIFY(!saved.contains("[Expressions]"));
    form.reset();
    auto again = Start();
    QVERIFY(!again->sepcb->isChecked());
    QVERIFY(!again->dec2cb->isChecked());
  }

  void OptionDefaults_data() {
    QTest::addColumn<QByteArray>("interface");
    QTest::addColumn<bool>("separators");
    QTest::addColumn<bool>("twoDecimals");
    QTest::newRow("no DecimalPlaces") << QByteArray("Top=abc\r\n") << true << false;
    QTest::newRow("ThousandsSeparator 0") << QByteArray("ThousandsSeparator=0\r\nDecimalPlaces=2\r\n") << false << true;
    QTest::newRow("empty DecimalPlaces") << QByteArray("DecimalPlaces=\r\n") << true << true;
    QTest::newRow("ThousandsSeparator yes")
        << QByteArray("ThousandsSeparator=yes\r\nDecimalPlaces=-1\r\n") << false << false;
    QTest::newRow("names in other case") << QByteArray("thousandsseparator=0\r\ndecimalplaces=7\r\n") << false << true;
  }
  void OptionDefaults() {
    QFETCH(QByteArray, interface);
    QFETCH(bool, separators);
    QFETCH(bool, twoDecimals);
    WriteAll(File(), "[interface]\r\n" + interface + "[Expressions]\r\nExpression1=1+1\r\n");
    auto form = Start();
    QCOMPARE(form->sepcb->isChecked(), separators);
    QCOMPARE(form->dec2cb->isChecked(), twoDecimals);
    QCOMPARE(form->History(), QStringList{"1+1"});
  }

  void PositionGroup_data() {
    const QSize screen = PrimaryScreenSize();
    const int outerW = kClientWidth + kFrameWidth;
    const int outerH = kClientHeight + kFrameHeight;
    const QPoint centred((screen.width() - outerW) / 2, (screen.height() - outerH) / 2);
    QTest::addColumn<QByteArray>("values");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<int>("outerWidth");
    QTest::newRow("all three") << QByteArray("Top=10\r\nLeft=20\r\nWidth=650\r\n") << QPoint(20, 10) << 650;
    QTest::newRow("Top not an integer") << QByteArray("Top=abc\r\nLeft=20\r\nWidth=650\r\n") << centred << outerW;
    QTest::newRow("Width missing") << QByteArray("Top=10\r\nLeft=20\r\n") << centred << outerW;
    QTest::newRow("negative") << QByteArray("Top=-5\r\nLeft=-1\r\nWidth=650\r\n") << QPoint(0, 0) << 650;
    QTest::newRow("hexadecimal") << QByteArray("Top=$FFFFFFFF\r\nLeft=0x10\r\nWidth=X258\r\n") << QPoint(16, 0) << 600;
    QTest::newRow("beyond the screen") << ("Top=" + QByteArray::number(screen.height()) +
                                           "\r\nLeft=" + QByteArray::number(screen.width() - 49) + "\r\nWidth=650\r\n")
                                       << QPoint(screen.width() - outerW, screen.height() - outerH) << 650;
    QTest::newRow("narrower than allowed")
        << QByteArray("Top=1\r\nLeft=2\r\nWidth=100\r\n") << QPoint(2, 1) << kMinOuterWidth;
    QTest::newRow("out of 32 bits") << QByteArray("Top=4294967296\r\nLeft=2\r\nWidth=650\r\n") << centred << outerW;
  }
  void PositionGroup() {
    QFETCH(QByteArray, values);
    QFETCH(QPoint, position);
    QFETCH(int, outerWidth);
    WriteAll(File(), "[Interface]\r\n" + values + "ThousandsSeparator=0\r\n");
    auto form = Start();
    QCOMPARE(form->pos(), position);
    QCOMPARE(form->OuterWidth(), outerWidth);
    QVERIFY(!form->sepcb->isChecked());  // the rest is read all the same
  }

  void HistoryInFileOrderAndKeysBeyondTheCountKept() {
    QByteArray file = "[Expressions]\r\n";
    for (int i = 1; i <= 10; ++i) file += "Expression" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\r\n";
    file += "Odd=last\r\nExpression11=\r\n";
    WriteAll(File(), file);
    auto form = Start();
    QCOMPARE(form->History().size(), 11);
    QCOMPARE(form->History().last(), QString("last"));
    // A second copy with three entries saves over it.
    for (int i = 0; i < 8; ++i) form->cb->removeItem(3);
    QCOMPARE(form->History(), (QStringList{"1", "2", "3"}));
    form->AddToHistory("x");
    QVERIFY(form->close());
    form.reset();
    const QByteArray saved = ReadAll(File());
    QVERIFY(saved.contains("Expression1=x\r\nExpression2=1\r\nExpression3=2\r\nExpression4=3\r\nExpression5=5\r\n"));
    QVERIFY(saved.contains("Expression10=10\r\nOdd=last\r\nExpression11=\r\n"));
    auto again = Start();
    QCOMPARE(again->History().size(), 11);
  }

  void MoreThanFiftyFromAFileAreNotCutBack() {
    QByteArray file = "[Expressions]\r\n";
    for (int i = 1; i <= 60; ++i) file += "Expression" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\r\n";
    WriteAll(File(), file);
    auto form = Start();
    QCOMPARE(form->History().size(), 60);
    Calculate(*form, "7+7");
    QCOMPARE(form->History().size(), 61);
  }

  void EncodingKeptOnSave() {
    const QByteArray mark = "\xEF\xBB\xBF";
    WriteAll(File(), mark + "[Interface]\r\nTop=1\r\n");
    auto form = Start();
    QVERIFY(form->close());
    QVERIFY(ReadAll(File()).startsWith(mark + "[Interface]\r\nTop="));
  }

  void ReadOnlyFileIsReportedAndKept() {
    const QByteArray original = "[Interface]\r\nThousandsSeparator=0\r\n";
    WriteAll(File(), original);
    QVERIFY(QFile::setPermissions(File(), QFile::ReadOwner | QFile::ReadUser));
    auto form = Start();
    SeenBox seen;
    CloseNextBox(&seen);
    QVERIFY(form->close());  // the window always closes
    QVERIFY(seen.shown);
    QCOMPARE(seen.text, QString("Error saving settings"));
    QCOMPARE(seen.title, ApplicationTitle());
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(ReadAll(File()), original);
    QCOMPARE(QDir(QFileInfo(File()).path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
  }

  void FolderWhereTheFileShouldBe() {
    QDir().mkpath(File());
    auto form = Start();
    SeenBox seen;
    CloseNextBox(&seen);
    QVERIFY(form->close());
    QCOMPARE(seen.text, QString("Error saving settings"));
    QVERIFY(QFileInfo(File()).isDir());
  }

  void BadFilesAreSurvived_data() {
    QTest::addColumn<QByteArray>("content");
    QByteArray junk;
    QRandomGenerator random(99);
    for (int i = 0; i < 1 << 20; ++i) junk += static_cast<char>(random.bounded(256));
    QTest::newRow("binary junk") << junk;
    QTest::newRow("NUL bytes") << QByteArray("[Interface]\r\nTop=\0\0\0[Expressions]\r\nExpression1=1\r\n", 48);
    QTest::newRow("invalid UTF-8") << QByteArray("[Expressions]\r\nExpression1=\xC3\x28\r\n");
    QTest::newRow("odd UTF-16") << QByteArray("\xFF\xFE[\0E\0", 6);
    QTest::newRow("long line") << (QByteArray("[Expressions]\r\nExpression1=") + QByteArray(3 << 20, '1'));
  }
  void BadFilesAreSurvived() {
    QFETCH(QByteArray, content);
    WriteAll(File(), content);
    auto form = Start();
    Calculate(*form, "2+2");
    QCOMPARE(form->resultlabel->text(), QString("4"));
    QVERIFY(form->close());
    const SettingsDocument saved = SettingsDocument::Parse(ReadAll(File()));
    QCOMPARE(saved.ReadString("Expressions", "Expression1", ""), QString("2+2"));
  }

  void OversizedFileIsNeitherReadNorReplaced() {
    const QByteArray content = "[Interface]\r\nThousandsSeparator=0\r\n" + QByteArray(5 << 20, ';');
    WriteAll(File(), content);
    auto form = Start();
    QVERIFY(form->sepcb->isChecked());
    SeenBox seen;
    CloseNextBox(&seen);
    QVERIFY(form->close());
    QCOMPARE(seen.text, QString("Error saving settings"));
    QVERIFY(ReadAll(File()) == content);
  }

  void WithoutAnAppDataFolderTheFileIsInTheCurrentFolder() {
    QTemporaryDir work;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(work.path());
    const QByteArray home = qgetenv("HOME");
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("HOME");
    {
      auto form = Start();
      QCOMPARE(form->SettingsFileName, QString("brelmont.ini"));
      Calculate(*form, "1+2");
      QVERIFY(form->close());
    }
    qputenv("HOME", home);
    QDir::setCurrent(previous);
    QVERIFY(ReadAll(work.path() + "/brelmont.ini").contains("Expression1=1+2\r\n"));
  }
};

}  // namespace calc

QTEST_MAIN(calc::SettingsTest)
#include "settings_test.moc"
