#pragma once

#include "controller/RulesEngineEvents.h"

#include <QStringList>
#include <functional>

// Writes every engine event as one line ("ItemAdded TN-10", "GetData Phone number 1", ...) and
// answers the in/out events as a test scripts them.
class EngineEventLog : public RulesEngineEvents {
public:
    void AddItemFailed(const QString& productID, const QString& message) override;
    void BasketCommitted(qint16 numberOfItems) override;
    void BasketSuspended(const QString& handle) override;
    void DataMismatch(qint16 index, const Variant& data, const QString& message) override;
    void GetData(const QString& name, const QString& dataType, qint32 device, const QString& errorMessage,
                 Variant& data, bool& cancel) override;
    void ItemAdded(std::shared_ptr<EngineBasketItem>& item, bool& cancel) override;
    void ItemRemoved(std::shared_ptr<EngineBasketItem>& item) override;
    void RefuseInterrupt() override;
    void ResumeComplete(qint16 numberOfItems) override;
    void ResumeFailed(const QString& handle, const QString& message) override;
    void SetOLETimeout(qint32 timeout, const QString& msgText, const QString& msgTitle) override;
    void StartDevice(qint32 device) override;
    void StopDevice(qint32 device) override;
    void Surrender(qint32 reason, const QString& message) override;
    void SuspendFailed(const QString& message) override;
    void VoucherAvailable(const QString& fileName) override;

    // Lines that start with the prefix.
    QStringList starting(const QString& prefix) const;
    // Runs the event loop until `count` lines start with the prefix; false if they did not
    // come within 10 s.
    bool waitFor(const QString& prefix, qsizetype count = 1);

    QStringList lines;
    QStringList vouchers;
    std::shared_ptr<EngineBasketItem> lastAdded;
    // Answers of GetData, taken in order; when none is left the handler leaves Data alone.
    QList<Variant> dataAnswers;
    bool cancelGetData = false;
    bool cancelItemAdded = false;
    // Runs inside every handler, after the line is written (to act re-entrantly).
    std::function<void(const QString& line)> inside;

private:
    void add(const QString& line);
};
