#pragma once

#include "platform/Form.h"

class CogAnimation;
class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;

// The start screen of a hand start: it greets the operator, starts the kiosk (now, or by itself
// after a countdown), opens the configuration utility, or closes the program's windows. One
// per process, loaded on first use; its texts come from the lexicon section PCQUIBA_SPLASH.
class frmSplash : public Form {
    Q_OBJECT
public:
    static inline const QString kFormName = QStringLiteral("frmSplash");
    static inline const QString kLexiconSection = QStringLiteral("PCQUIBA_SPLASH");

    static frmSplash& instance();
    static bool isLoaded();
    static void unload();

    // Shows the window with its buttons available; a positive number of seconds starts the
    // countdown to a kiosk start.
    void Display(qint16 seconds);

    // The remaining countdown in seconds; 0 when none runs.
    qint16 countdown() const { return m_countdown; }

    // The question asked before the engine is stopped for the settings while the basket's
    // use-by time lies that many whole seconds ahead.
    static QString useByQuestion(qint64 secondsAhead);

    QLabel* lblTitle() const { return m_lblTitle; }
    QLabel* lblSubTitle() const { return m_lblSubTitle; }
    QLabel* lblProviding() const { return m_lblProviding; }
    QLabel* lblProducts() const { return m_lblProducts; }
    QLabel* lblVersion() const { return m_lblVersion; }
    QLabel* lblWait() const { return m_lblWait; }
    CogAnimation* aniCog() const { return m_aniCog; }
    QCheckBox* chkAutoStart() const { return m_chkAutoStart; }
    QTimer* tmrStartGUI() const { return m_tmrStartGUI; }
    QPushButton* cmdStart() const { return m_cmdStart; }
    QPushButton* cmdSettings() const { return m_cmdSettings; }
    QPushButton* cmdClose() const { return m_cmdClose; }

private:
    frmSplash();
    ~frmSplash() override;

    void buildLayout();
    void Form_Load();
    void cmdStart_Click();
    void cmdSettings_Click();
    void cmdClose_Click();
    void chkAutoStart_Click();
    void tmrStartGUI_Timer();
    void zPleaseWait();
    // Buttons available, not busy.
    void zReady();
    void stopCountdown();
    // The lexicon text of a key, or its built-in default.
    static QString text(const QString& key, const QString& defaultText, const QStringList& arguments = {});
    QString secondsCaption(qint16 seconds) const;

    QLabel* m_imgQUIBA = nullptr;
    QLabel* m_Image1 = nullptr;
    QLabel* m_lblTitle = nullptr;
    QLabel* m_lblSubTitle = nullptr;
    QLabel* m_lblProviding = nullptr;
    QLabel* m_lblProducts = nullptr;
    QLabel* m_lblVersion = nullptr;
    QLabel* m_lblWait = nullptr;
    CogAnimation* m_aniCog = nullptr;
    QCheckBox* m_chkAutoStart = nullptr;
    QTimer* m_tmrStartGUI = nullptr;
    QPushButton* m_cmdStart = nullptr;
    QPushButton* m_cmdSettings = nullptr;
    QPushButton* m_cmdClose = nullptr;
    qint16 m_countdown = 0;
};
