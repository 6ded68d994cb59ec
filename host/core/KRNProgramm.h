#pragma once

#include <QString>

#include <exception>
#include <memory>

class TStore;

// The host's program object: sets the host up for one program and carries
// its identity, the tenant and the record store.
//
// The store and the tenant come from the environment:
//   VELDRAKE_STORE    path of the SQLite store file (UTF-8); default
//                     <user data dir>/veldrake/veldrake.sqlite
//   VELDRAKE_MANDANT  tenant text shown in the captions; default "Hauptmandant"
//   VELDRAKE_DEMO     when 1, a store without computers gets the sample ones
class TKRNProgramm
{
public:
    TKRNProgramm();
    ~TKRNProgramm();

    // Opens the store and resolves the tenant. Throws on failure. Knows no
    // screens: the desktop program installs its boxes and the wait window
    // itself (KRNInstallDesktopServices).
    void Init(const QString& programmKennung, int prozessTyp, int instanceCount, int reserved, bool gui);
    // Writes a start-up failure to stderr and shows it to the user, unless
    // the presenter reaches nobody (no desktop, offscreen or minimal
    // platform, no screen): then nothing waits for an answer.
    void ShowException(const std::exception& e, bool fatal);
    // Tells the administrator once what the store check found (computers
    // served by two settings of a kind). Called when start-up has ended.
    void ShowStoreNotices();
    QString GetTextMandant() const { return m_mandant; }
    // The identifying text that forms pass to KRNFormInit.
    QString ProgrammKennung() const { return m_programmKennung; }
    bool Initialized() const { return m_initialized; }
    TStore* Store() const { return m_store.get(); }
    // The store in use as a user may see it: the file's path (never a
    // password); empty before Init.
    QString StoreText() const;
    // Closes the store (the last step of shutdown).
    void Done();

    static QString DefaultStorePath();

private:
    QString m_programmKennung;
    QString m_mandant;
    bool m_initialized = false;
    std::unique_ptr<TStore> m_store;
};

TKRNProgramm& KRNProgramm();
