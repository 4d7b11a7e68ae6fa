#pragma once
// IRegistrySwitches: the three desktop switches whose state lives outside
// the settings file (ftp link handler, file-manager actions, start at
// log-on). The integration layer installs the real implementation on the
// settings object; until then NullRegistrySwitches reads False and ignores
// writes.
//
// Contract: every read inspects the desktop at that moment (nothing is
// cached); a write that lacks rights is skipped silently. Called with the
// settings lock NOT held, so implementations may take their own locks.

class IRegistrySwitches {
public:
    virtual ~IRegistrySwitches() = default;

    virtual bool BrowserIntegration() const = 0;
    virtual void SetBrowserIntegration(bool value) = 0;
    virtual bool ExplorerContextMenu() const = 0;
    virtual void SetExplorerContextMenu(bool value) = 0;
    virtual bool StartWithSystem() const = 0;
    virtual void SetStartWithSystem(bool value) = 0;
};

class NullRegistrySwitches final : public IRegistrySwitches {
public:
    bool BrowserIntegration() const override { return false; }
    void SetBrowserIntegration(bool) override {}
    bool ExplorerContextMenu() const override { return false; }
    void SetExplorerContextMenu(bool) override {}
    bool StartWithSystem() const override { return false; }
    void SetStartWithSystem(bool) override {}
};
