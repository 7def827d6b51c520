#include "components/ReceiptPreview.h"

#include "services/Services.h"
#include "services/Trace.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

ReceiptPreview::ReceiptPreview(const QImage& receipt, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Print Preview"));
    auto* picture = new QLabel;
    picture->setPixmap(QPixmap::fromImage(receipt));
    picture->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto* scroller = new QScrollArea;
    scroller->setWidget(picture);
    scroller->setAlignment(Qt::AlignHCenter);
    scroller->setBackgroundRole(QPalette::Dark);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    buttons->addButton(QStringLiteral("Print"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroller);
    layout->addWidget(buttons);
    resize(receipt.width() + 80, std::min(receipt.height() + 100, 900));
}

bool ReceiptPreview::confirm(const QImage& receipt)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return true;
    const QString platform = QGuiApplication::platformName();
    if (!canBeSeenOn(platform)) {
        Services::logger().log(Variant(QStringLiteral("Print preview skipped: no display (") + platform
                                       + QStringLiteral(")")),
                               Trace::WarningSeverity);
        return true;
    }
    ReceiptPreview preview(receipt);
    return preview.exec() == QDialog::Accepted;
}

bool ReceiptPreview::canBeSeenOn(const QString& platformName)
{
    // "minimalegl" draws on a real screen; only these two draw into memory.
    return platformName != u"offscreen" && platformName != u"minimal";
}
