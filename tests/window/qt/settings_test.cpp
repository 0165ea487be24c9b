// SPDX-License-Identifier: MIT
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
#include "design.h"
#include "file_util.h"
#include "mydialogs.h"
#include "qtplatform.h"
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
    QCOMPARE(form->SettingsFileName(), File());
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

  // The stored values through the real window: a position clamped to the
  // screen, a width far beyond it limited to it.
  void StoredPlacementStaysOnTheScreen() {
    const ScreenSize screen = QtPlatform().PrimaryScreenSize();
    WriteAll(File(), "[Interface]\r\nTop=-7\r\nLeft=30\r\nWidth=100000\r\n");
    auto form = Start();
    QCOMPARE(form->pos(), QPoint(0, 0));
    QCOMPARE(form->OuterWidth(), screen.width);
    QVERIFY(form->calculatebutton->geometry().right() < form->width());
    QVERIFY(form->close());
    QVERIFY(ReadAll(File()).contains("Width=" + QByteArray::number(screen.width) + "\r\n"));
  }

  // A file with a hand-named key is the same after two open-close cycles.
  void HandNamedKeysDoNotMultiply() {
    WriteAll(File(), "[Expressions]\r\nExpression1=1+1\r\nexpression2=2+2\r\nfavourite=3*3\r\n");
    QByteArray after_first;
    for (int cycle = 0; cycle < 3; ++cycle) {
      auto form = Start();
      QCOMPARE(form->History(), (QStringList{"1+1", "2+2", "3*3"}));
      form->move(10, 20);
      QVERIFY(form->close());
      if (cycle == 0) after_first = ReadAll(File());
      QCOMPARE(ReadAll(File()), after_first);
    }
  }

  // Many keys load into the list and save back whole (the time this takes
  // is measured by bench/settings_load.sh).
  void ManyKeysOpenAndClose() {
    QByteArray file = "[Expressions]\r\n";
    for (int i = 1; i <= 20000; ++i)
      file += "Expression" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\r\n";
    WriteAll(File(), file);
    auto form = Start();
    QCOMPARE(form->History().size(), 20000);
    QCOMPARE(form->cb->count(), 20000);
    QVERIFY(form->close());
    QVERIFY(ReadAll(File()).contains("Expression20000=20000\r\n\r\n"));
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
    QtPlatform platform;
    const SettingsDocument saved = SettingsDocument::Parse(platform, ReadAll(File()).toStdString());
    QVERIFY(saved.ReadString(u"Expressions", u"Expression1", u"") == u"2+2");
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
      QCOMPARE(form->SettingsFileName(), QString("brelmont.ini"));
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
