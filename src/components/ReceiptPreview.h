#pragma once

#include <QDialog>
#include <QImage>

// Shows a receipt as it will be printed, with "Print" and "Cancel". (No Q_OBJECT: it adds no
// signals or slots, and the moc file of the library carries declared-only contracts.)
class ReceiptPreview : public QDialog {
public:
    explicit ReceiptPreview(const QImage& receipt, QWidget* parent = nullptr);

    // True when the user chose to print. Without a widget application (a command-line run)
    // nothing can be shown and the answer is True; on a platform that draws for nobody
    // (offscreen, minimal) the preview is skipped with a log line and the answer is True too,
    // rather than waiting for a click nobody can make.
    static bool confirm(const QImage& receipt);

    // False for the Qt platforms that have no screen a person looks at.
    static bool canBeSeenOn(const QString& platformName);
};
