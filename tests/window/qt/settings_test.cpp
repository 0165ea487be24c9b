// SPDX-License-Identifier: MIT
// The settings file through the real window and platform: what the window
// hands to the logic and takes from it, the list with many entries, the
// boxes a failed save shows, bad files, the fallback folder. The reading and
// writing rules are the core's tests.
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
    QVERIFY(QFile::exists(File()));
    form.reset();

    auto again = Start();
    QCOMPARE(again->History(), (QStringList{"2*3", "(2 + 2) / 3"}));
    QCOMPARE(again->pos(), QPoint(123, 45));
    QCOMPARE(again->OuterWidth(), 716);
    QVERIFY(again->sepcb->isChecked());
    QVERIFY(again->dec2cb->isChecked());
    QCOMPARE(again->cb->currentText(), QString());
  }

  void OptionsAsLeft() {
    auto form = Start();
    QTest::mouseClick(form->sepcb, Qt::LeftButton);
    QTest::mouseClick(form->dec2cb, Qt::LeftButton);
    QVERIFY(form->close());
    form.reset();
    auto again = Start();
    QVERIFY(!again->sepcb->isChecked());
    QVERIFY(!again->dec2cb->isChecked());
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

  // The window shows the failure and closes all the same.
  void ReadOnlyFileIsReported() {
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
