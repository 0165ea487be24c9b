// SPDX-License-Identifier: MIT
// The session's end as the window's signal bridge sees it: the session
// manager's request to save, signals the program was started to ignore,
// and the handlers put back. Signals closing the real program are tried
// end to end (tests/e2e/session_end_e2e.sh).
#include "sessionend.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSessionManager>
#include <csignal>
#include <memory>

#include "Unit1.h"
#include "file_util.h"
#include "test_support.h"

namespace calc {

class SessionEndTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TemporaryConfig> config_;
  std::unique_ptr<TForm1> form_;

  void Calculate(const QString& text) {
    form_->cb->setEditText(text);
    QTest::keyClick(form_->cb->lineEdit(), Qt::Key_Return);
  }

 private slots:
  void init() {
    config_ = std::make_unique<TemporaryConfig>();
    form_ = std::make_unique<TForm1>();
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  }
  void cleanup() {
    form_.reset();
    config_.reset();
  }

  // The log-out may still be cancelled: the settings are saved and the
  // window stays open.
  void SessionManagersRequestSavesWithoutClosing() {
    const SessionEnd session_end(*form_);
    Calculate("6*7");
    auto* manager = qApp->findChild<QSessionManager*>();
    QVERIFY(manager);
    emit qApp->commitDataRequest(*manager);
    QVERIFY(test::ReadAll(config_->SettingsFile()).contains("Expression1=6*7\r\n"));
    QCoreApplication::processEvents();
    QVERIFY(form_->isVisible());
    Calculate("1+1");
    QVERIFY(form_->close());
    QVERIFY(test::ReadAll(config_->SettingsFile()).contains("Expression1=1+1\r\nExpression2=6*7\r\n"));
  }

  // nohup, or a background job of a script: the signal was meant not to
  // end the program.
  void SignalsStartedIgnoredStayIgnored() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before {};
    QCOMPARE(sigaction(SIGHUP, &ignore, &before), 0);
    {
      const SessionEnd session_end(*form_);
      struct sigaction during {};
      QCOMPARE(sigaction(SIGHUP, nullptr, &during), 0);
      QVERIFY2(during.sa_handler == SIG_IGN, "SIGHUP is no longer ignored");
      QCOMPARE(raise(SIGHUP), 0);  // and so the program lives on
    }
    QCOMPARE(sigaction(SIGHUP, &before, nullptr), 0);
  }

  void HandlersArePutBack() {
    struct sigaction before {};
    QCOMPARE(sigaction(SIGTERM, nullptr, &before), 0);
    { const SessionEnd session_end(*form_); }
    struct sigaction after {};
    QCOMPARE(sigaction(SIGTERM, nullptr, &after), 0);
    QVERIFY(after.sa_handler == before.sa_handler);
  }
};

}  // namespace calc

QTEST_MAIN(calc::SessionEndTest)
#include "sessionend_test.moc"
