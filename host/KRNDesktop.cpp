#include "host/KRNDesktop.h"

#include "host/Application.h"
#include "host/KRNFocus.h"
#include "host/StoreWaitIndicator.h"
#include "host/core/KRNInfo.h"
#include "host/store/Store.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

namespace {

// Title of the boxes: the application title.
QString BoxTitle()
{
    const QString title = Application().Title();
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

// Shows messages in message boxes and waits for the answer. The focus goes
// back where it was when a box closes.
class TMessageBoxPresenter final : public TKRNPresenter
{
public:
    int ShowMeldung(const TMeldung& meldung) override
    {
        const TKRNFocusReturn focusReturn;
        if (meldung.Kind == mtQuestion) {
            const auto answer = QMessageBox::question(focusReturn.Window(), BoxTitle(), meldung.Text,
                                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
            return answer == QMessageBox::Yes ? mrYes : mrNo;
        }
        QMessageBox::information(focusReturn.Window(), BoxTitle(), meldung.Text);
        return mrOk;
    }

    void ShowError(const QString& location, const QString& text) override { ShowFailure(location, text, {}); }

    void ShowFailure(const QString& location, const QString& text, const QString& details) override
    {
        const TKRNFocusReturn focusReturn;
        QMessageBox box(QMessageBox::Critical, BoxTitle(), text, QMessageBox::Ok, focusReturn.Window());
        QString detailText = QStringLiteral("Ort: ") + location;
        if (!details.isEmpty()) {
            detailText += QStringLiteral("\n") + details;
        }
        box.setDetailedText(detailText);
        box.exec();
    }

    void ShowVersion(const QString& title, const QString& text, QObject* owner) override
    {
        const TKRNFocusReturn focusReturn;
        auto* ownerWidget = qobject_cast<QWidget*>(owner);
        QMessageBox::about(ownerWidget ? ownerWidget : focusReturn.Window(), title, text);
    }

    // Nobody sees a box on the offscreen or minimal platform, or without a
    // screen.
    bool CanShow() const override
    {
        const QString platform = QGuiApplication::platformName();
        return qobject_cast<QApplication*>(QCoreApplication::instance()) &&
               platform != QLatin1String("offscreen") && platform != QLatin1String("minimal") &&
               QGuiApplication::primaryScreen();
    }
};

std::unique_ptr<TStoreWaitIndicator>& WaitIndicator()
{
    static std::unique_ptr<TStoreWaitIndicator> indicator;
    return indicator;
}

} // namespace

std::unique_ptr<TKRNPresenter> KRNMessageBoxPresenter()
{
    return std::make_unique<TMessageBoxPresenter>();
}

void KRNInstallDesktopServices()
{
    KRNInfo().InstallPresenter(std::make_unique<TMessageBoxPresenter>());
    WaitIndicator() = std::make_unique<TStoreWaitIndicator>();
    TStore::SetWaitObserver(WaitIndicator().get());
}

void KRNRemoveDesktopServices()
{
    TStore::SetWaitObserver(nullptr);
    WaitIndicator().reset();
    KRNInfo().InstallPresenter(nullptr);
}
