#pragma once

#include <QDialog>
#include <QImage>

// Shows a receipt as it will be printed, with "Print" and "Cancel". (No Q_OBJECT: it adds no
// signals or slots, and the moc file of the library carries declared-only contracts.)
class ReceiptPreview : public QDialog {
public:
    explicit ReceiptPreview(const QImage& receipt, QWidget* parent = nullptr);

    // True when the user chose to print. Without a widget application (a command-line run)
    // nothing can be shown and the answer is True.
    static bool confirm(const QImage& receipt);
};
