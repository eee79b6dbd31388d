#include "app/CCmdTarget.h"

namespace
{

unsigned g_nStatesChanges = 0;

} // namespace

bool CCmdTarget::OnCmdMsg(unsigned id, CCmdUI *pCmdUI)
{
    const auto found = m_handlers.find(id);
    if (found == m_handlers.end())
        return false;
    const SEntry &entry = found->second;
    if (pCmdUI != nullptr) {
        if (entry.updater)
            entry.updater(*pCmdUI);
        else
            pCmdUI->Enable(static_cast<bool>(entry.handler));
        return true;
    }
    if (!entry.handler)
        return false;
    entry.handler();
    StatesChanged();
    return true;
}

bool CCmdTarget::ExecuteIfEnabled(unsigned id)
{
    if (!QueryState(id).m_bEnabled)
        return false;
    // A target that runs the command in an OnCmdMsg of its own says so here.
    const bool ran = OnCmdMsg(id, nullptr);
    if (ran)
        StatesChanged();
    return ran;
}

CCmdUI CCmdTarget::QueryState(unsigned id)
{
    CCmdUI state(id);
    if (!OnCmdMsg(id, &state))
        state.Enable(false);
    return state;
}

void CCmdTarget::OnCommand(unsigned id, Handler handler, Updater updater)
{
    m_handlers[id] = SEntry{std::move(handler), std::move(updater)};
}

void CCmdTarget::OnUpdate(unsigned id, Updater updater)
{
    m_handlers[id].updater = std::move(updater);
}

void CCmdTarget::StatesChanged()
{
    ++g_nStatesChanges;
}

unsigned CCmdTarget::StatesChangeCount()
{
    return g_nStatesChanges;
}
