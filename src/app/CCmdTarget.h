// Anything that handles commands: a handler table from command number to what
// the command does and, optionally, when it is enabled or checked. The frame
// offers each command to its targets in a fixed order; the first that handles
// it ends the search.
#pragma once

#include "app/CCmdUI.h"

#include <functional>
#include <unordered_map>

class CCmdTarget
{
public:
    virtual ~CCmdTarget() = default;

    // With no pCmdUI, runs the command; with one, fills in its state (enabled
    // when the command has a handler but no update handler). Returns true
    // when this target handles the command.
    virtual bool OnCmdMsg(unsigned id, CCmdUI *pCmdUI);

    // Runs a command through OnCmdMsg only when its update handler enables
    // it, as a menu or a shortcut would. True when it ran.
    bool ExecuteIfEnabled(unsigned id);
    // The state of a command through OnCmdMsg: disabled when nobody handles it.
    CCmdUI QueryState(unsigned id);

    // Says that what an update handler reads may have changed; the window asks
    // the commands again at its next idle moment, and only then. Running a
    // command says so by itself. User-interface thread only.
    static void StatesChanged();
    // How many times StatesChanged was called: a window compares it with the
    // count it last brought its buttons up to date at.
    static unsigned StatesChangeCount();

protected:
    using Handler = std::function<void()>;
    using Updater = std::function<void(CCmdUI &)>;

    void OnCommand(unsigned id, Handler handler, Updater updater = {});
    // An update handler for a command whose handler lives elsewhere, or none.
    void OnUpdate(unsigned id, Updater updater);

private:
    struct SEntry {
        Handler handler;
        Updater updater;
    };
    std::unordered_map<unsigned, SEntry> m_handlers;
};
