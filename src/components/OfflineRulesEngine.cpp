#include "components/OfflineRulesEngine.h"

#include "api/SurrenderReason.h"

#include <QTimer>

QString OfflineRulesEngine::unavailableMessage()
{
    return QStringLiteral("No rules engine is installed");
}

void OfflineRulesEngine::ShowGUI(const QString&)
{
    // The screen goes back from the event loop, as a real engine's would, never from inside
    // the call that showed it.
    QTimer::singleShot(0, [slot = std::weak_ptr<RulesEngineEvents*>(m_sink)] {
        const auto sink = slot.lock();
        if (sink && *sink)
            (*sink)->Surrender(SurrenderError, unavailableMessage());
    });
}

bool OfflineRulesEngine::refuseAssignment(QString& message) const
{
    message = unavailableMessage();
    return false;
}

bool OfflineRulesEngine::Assign1(QString& message, const ObjectRef&, const QString&, const QString&,
                                 const QString&, const QString&, bool&)
{
    return refuseAssignment(message);
}

bool OfflineRulesEngine::Assign3(QString& message, const QString&)
{
    return refuseAssignment(message);
}

bool OfflineRulesEngine::Assign4(QString& message, const ObjectRef&, const VariantArray&)
{
    return refuseAssignment(message);
}

Variant OfflineRulesEngine::AddItem(const QString& productID, const VariantArray&)
{
    if (*m_sink)
        (*m_sink)->AddItemFailed(productID, unavailableMessage());
    return Variant(false);
}
