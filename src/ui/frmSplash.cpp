#include "ui/frmSplash.h"

#include "services/FormProcedure.h"
#include "services/MessageBoxes.h"
#include "services/ProcessState.h"
#include "services/Services.h"
#include "controller/frmController.h"
#include "platform/DateValue.h"
#include "platform/RuntimeErrors.h"
#include "ui/CogAnimation.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QSysInfo>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

frmSplash* s_splash = nullptr;

constexpr int kTickMilliseconds = 1000;
constexpr qint64 kSecondsShownUpTo = 120;

const char* const kSplashStyleSheet = R"(
#frmSplash { background: #ffffff; }
#header { background: #17233d; }
#lblTitle { color: #ffffff; font-size: 30px; font-weight: 700; letter-spacing: 1px; }
#lblSubTitle { color: #aab6cf; font-size: 13px; }
#lblProviding { color: #6b778c; font-size: 12px; text-transform: uppercase; letter-spacing: 2px; }
#lblProducts { color: #17233d; font-size: 20px; font-weight: 600; }
#lblWait { color: #17233d; font-size: 13px; font-weight: 600; }
#lblVersion { color: #8993a4; font-size: 11px; }
#cmdClose, #cmdSettings, #cmdStart { min-width: 96px; }
#footer { background: #f4f5f7; border-top: 1px solid #dfe1e6; }
QCheckBox { color: #17233d; font-size: 13px; }
QPushButton { min-height: 34px; padding: 0 18px; border-radius: 4px; font-size: 13px;
              border: 1px solid #c1c7d0; background: #ffffff; color: #17233d; }
QPushButton:hover { background: #ebecf0; }
QPushButton:disabled { color: #a5adba; border-color: #dfe1e6; background: #f4f5f7; }
#cmdStart { background: #0b66e4; border-color: #0b66e4; color: #ffffff; font-weight: 600; }
#cmdStart:hover { background: #0055cc; }
#cmdStart:disabled { background: #8fb8f6; border-color: #8fb8f6; color: #ffffff; }
)";

// The program's mark: a rounded tile with a Q.
QPixmap quibaMark(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, size, size);
    fill.setColorAt(0, QColor(0x2b, 0xc4, 0xa4));
    fill.setColorAt(1, QColor(0x0b, 0x66, 0xe4));
    painter.setBrush(fill);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(0, 0, size, size), size * 0.22, size * 0.22);
    QFont font = painter.font();
    font.setPixelSize(int(size * 0.62));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, u"Q"_s);
    return pixmap;
}

// The accent strip under the header.
QPixmap accentStrip(int width, int height)
{
    QPixmap pixmap(width, height);
    QPainter painter(&pixmap);
    QLinearGradient fill(0, 0, width, 0);
    fill.setColorAt(0, QColor(0x2b, 0xc4, 0xa4));
    fill.setColorAt(1, QColor(0x0b, 0x66, 0xe4));
    painter.fillRect(pixmap.rect(), fill);
    return pixmap;
}

QLabel* label(const QString& name, QWidget* parent)
{
    auto* control = new QLabel(parent);
    control->setObjectName(name);
    return control;
}

} // namespace

// ---- loading and unloading -------------------------------------------------------------------

frmSplash& frmSplash::instance()
{
    // A form unloaded through its base class is on its way out: the next use makes a new one.
    if (!isLoaded())
        s_splash = new frmSplash;
    return *s_splash;
}

bool frmSplash::isLoaded()
{
    return s_splash != nullptr && !s_splash->isUnloading();
}

void frmSplash::unload()
{
    frmSplash* splash = std::exchange(s_splash, nullptr);
    if (!splash)
        return;
    splash->stopCountdown();
    splash->m_aniCog->stop();
    splash->Form::unload();
}

frmSplash::frmSplash() : Form(kFormName)
{
    buildLayout();
    m_tmrStartGUI = new QTimer(this);
    m_tmrStartGUI->setObjectName(u"tmrStartGUI"_s);
    connect(m_tmrStartGUI, &QTimer::timeout, this, &frmSplash::tmrStartGUI_Timer);
    connect(m_cmdStart, &QPushButton::clicked, this, &frmSplash::cmdStart_Click);
    connect(m_cmdSettings, &QPushButton::clicked, this, &frmSplash::cmdSettings_Click);
    connect(m_cmdClose, &QPushButton::clicked, this, &frmSplash::cmdClose_Click);
    connect(m_chkAutoStart, &QCheckBox::clicked, this, &frmSplash::chkAutoStart_Click);
    Form_Load();
}

frmSplash::~frmSplash()
{
    if (s_splash == this)
        s_splash = nullptr;
}

void frmSplash::buildLayout()
{
    setWindowTitle(u"pcQUIBA"_s);
    setStyleSheet(QString::fromLatin1(kSplashStyleSheet));
    setAttribute(Qt::WA_StyledBackground);
    setFixedSize(600, 360);

    auto* header = new QWidget(this);
    header->setObjectName(u"header"_s);
    header->setAttribute(Qt::WA_StyledBackground);
    m_imgQUIBA = label(u"imgQUIBA"_s, header);
    m_imgQUIBA->setPixmap(quibaMark(56));
    m_lblTitle = label(u"lblTitle"_s, header);
    m_lblTitle->setText(u"pcQUIBA"_s);
    m_lblSubTitle = label(u"lblSubTitle"_s, header);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addWidget(m_lblTitle);
    titles->addWidget(m_lblSubTitle);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(28, 22, 28, 22);
    headerLayout->setSpacing(16);
    headerLayout->addWidget(m_imgQUIBA);
    headerLayout->addLayout(titles, 1);

    m_Image1 = label(u"Image1"_s, this);
    m_Image1->setPixmap(accentStrip(600, 4));
    m_Image1->setFixedHeight(4);

    m_lblProviding = label(u"lblProviding"_s, this);
    m_lblProducts = label(u"lblProducts"_s, this);
    m_chkAutoStart = new QCheckBox(this);
    m_chkAutoStart->setObjectName(u"chkAutoStart"_s);
    m_chkAutoStart->hide();
    auto* offer = new QVBoxLayout;
    offer->setSpacing(4);
    offer->addWidget(m_lblProviding);
    offer->addWidget(m_lblProducts);
    offer->addSpacing(14);
    offer->addWidget(m_chkAutoStart);
    offer->addStretch();
    m_lblVersion = label(u"lblVersion"_s, this);
    offer->addWidget(m_lblVersion);

    m_aniCog = new CogAnimation(this);
    m_aniCog->setObjectName(u"aniCog"_s);
    m_aniCog->setFixedSize(56, 56);
    m_aniCog->hide();
    m_lblWait = label(u"lblWait"_s, this);
    m_lblWait->setAlignment(Qt::AlignHCenter);
    m_lblWait->hide();
    auto* busyColumn = new QWidget(this);
    busyColumn->setFixedWidth(150);
    auto* busy = new QVBoxLayout(busyColumn);
    busy->setContentsMargins(0, 0, 0, 0);
    busy->setSpacing(8);
    busy->addSpacing(6);
    busy->addWidget(m_aniCog, 0, Qt::AlignHCenter);
    busy->addWidget(m_lblWait, 0, Qt::AlignHCenter);
    busy->addStretch();

    auto* body = new QHBoxLayout;
    body->setContentsMargins(28, 24, 28, 14);
    body->addLayout(offer, 1);
    body->addWidget(busyColumn);

    auto* footer = new QWidget(this);
    footer->setObjectName(u"footer"_s);
    footer->setAttribute(Qt::WA_StyledBackground);
    m_cmdClose = new QPushButton(footer);
    m_cmdClose->setObjectName(u"cmdClose"_s);
    m_cmdSettings = new QPushButton(footer);
    m_cmdSettings->setObjectName(u"cmdSettings"_s);
    m_cmdStart = new QPushButton(footer);
    m_cmdStart->setObjectName(u"cmdStart"_s);
    m_cmdStart->setDefault(true);
    auto* footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(28, 14, 28, 14);
    footerLayout->setSpacing(10);
    footerLayout->addStretch(1);
    footerLayout->addWidget(m_cmdClose);
    footerLayout->addWidget(m_cmdSettings);
    footerLayout->addWidget(m_cmdStart);

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addWidget(header);
    page->addWidget(m_Image1);
    page->addLayout(body, 1);
    page->addWidget(footer);
}

QString frmSplash::text(const QString& key, const QString& defaultText, const QStringList& arguments)
{
    VariantArray values;
    for (const QString& argument : arguments)
        values.append(Variant(argument));
    return Services::lexicon().text(kLexiconSection, key, defaultText, values);
}

QString frmSplash::secondsCaption(qint16 seconds) const
{
    return text(u"n_seconds"_s, u"in \\1 seconds"_s, {QString::number(seconds)});
}

void frmSplash::Form_Load()
{
    FormProcedure::run(u"Sub Form_Load"_s, kFormName, [&] {
        m_lblSubTitle->setText(text(u"subtitle"_s, u"client for Windows™"_s));
        m_lblVersion->setText(text(u"version"_s, u"Version: \\1 \\2"_s,
                                   {ProcessState::instance().versionString, u"for Linux"_s}));
        m_lblWait->setText(text(u"please_wait"_s, u"Please wait..."_s));
        m_lblProviding->setText(text(u"providing"_s, u"providing"_s));
        m_lblProducts->setText(text(u"products"_s, u"products and services"_s));
        m_cmdStart->setText(text(u"cmd_start"_s, u"Start pcQUIBA"_s));
        m_cmdSettings->setText(text(u"cmd_config"_s, u"Start Configuration"_s));
        m_cmdClose->setText(text(u"cmd_close"_s, u"Close"_s));
    });
}

// ---- showing and counting down ---------------------------------------------------------------

void frmSplash::zReady()
{
    for (QPushButton* button : {m_cmdStart, m_cmdSettings, m_cmdClose})
        button->setEnabled(true);
    m_lblWait->hide();
    m_aniCog->stop();
}

void frmSplash::Display(qint16 seconds)
{
    FormProcedure::run(u"Sub Display"_s, kFormName, [&] {
        zReady();
        // The cog is drawn, so it is always there to show.
        m_aniCog->show();
        show();
        // Back in front after the settings; a platform without window stacking has no front.
        if (QGuiApplication::platformName() != u"offscreen")
            raise();
        if (seconds > 0) {
            m_countdown = seconds;
            m_chkAutoStart->setText(secondsCaption(seconds));
            m_chkAutoStart->setChecked(true);
            m_chkAutoStart->show();
            m_tmrStartGUI->setInterval(kTickMilliseconds);
            m_tmrStartGUI->start();
        }
    });
}

void frmSplash::tmrStartGUI_Timer()
{
    if (m_countdown < 2) {
        m_chkAutoStart->hide();
        m_tmrStartGUI->stop();
        m_countdown = 0;
        cmdStart_Click();
        return;
    }
    --m_countdown;
    m_chkAutoStart->setText(secondsCaption(m_countdown));
}

void frmSplash::chkAutoStart_Click()
{
    if (m_chkAutoStart->isChecked() || m_chkAutoStart->isHidden())
        return;
    stopCountdown();
}

void frmSplash::stopCountdown()
{
    m_tmrStartGUI->stop();
    m_chkAutoStart->hide();
    m_countdown = 0;
}

void frmSplash::zPleaseWait()
{
    FormProcedure::run(u"Sub zPleaseWait"_s, kFormName, [&] {
        stopCountdown();
        for (QPushButton* button : {m_cmdStart, m_cmdSettings, m_cmdClose})
            button->setEnabled(false);
        m_lblWait->show();
        repaint();
        if (m_aniCog->isVisible())
            m_aniCog->play();
    });
}

// ---- the buttons -----------------------------------------------------------------------------

void frmSplash::cmdStart_Click()
{
    const bool started = FormProcedure::run(u"Sub cmdStart_Click"_s, kFormName, [&] {
        zPleaseWait();
        frmController& controller = frmController::instance().Connect(u"KIOSK"_s);
        controller.StartEngine();
        const auto engine = controller.Engine();
        if (!engine)
            RuntimeErrors::raise(91);
        engine->ShowGUI(QString());
        if (m_aniCog->isVisible())
            m_aniCog->stop();
        hide();
    });
    // A kiosk that did not start leaves the screen as it was, not busy for ever.
    if (!started)
        zReady();
}

QString frmSplash::useByQuestion(qint64 secondsAhead)
{
    const QString remaining = secondsAhead < kSecondsShownUpTo
                                  ? QString::number(secondsAhead) + u" seconds"_s
                                  : QString::number(secondsAhead / 60) + u" minutes"_s;
    return u"Basket's \"Use By\" date will not expire for "_s + remaining + u"\r\n"_s
           + u"Do you want to stop the Engine anyway?"_s;
}

void frmSplash::cmdSettings_Click()
{
    FormProcedure::run(u"Sub cmdSettings_Click"_s, kFormName, [&] {
        frmController& controller = frmController::instance();
        if (controller.EngineReady()) {
            const auto basket = controller.Engine()->Basket();
            if (basket) {
                const double secondsAhead = (basket->BusyUntil() - DateValue::now()) * 86400.0;
                if (secondsAhead > 0) {
                    MessageBoxes::Request question{useByQuestion(std::llround(secondsAhead)), u"pcQUIBA"_s,
                                                   MessageBoxes::Buttons::YesNo, MessageBoxes::Answer::No};
                    if (MessageBoxes::show(question) == MessageBoxes::Answer::No)
                        return;
                }
            }
            controller.StopEngine();
        }
        controller.cmdShowConfig()->click();
    });
}

void frmSplash::cmdClose_Click()
{
    FormProcedure::run(u"Sub cmdClose_Click"_s, kFormName, [&] {
        stopCountdown();
        frmController::unload();
        unload();
    });
}
