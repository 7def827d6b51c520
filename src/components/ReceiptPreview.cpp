#include "components/ReceiptPreview.h"

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
    ReceiptPreview preview(receipt);
    return preview.exec() == QDialog::Accepted;
}
