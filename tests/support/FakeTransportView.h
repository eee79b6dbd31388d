// What the control bar shows outside its own widgets, recorded: the status
// panes, the slider, the buttons, the selection list. The playlist pane's two
// calls go to the given functions, or accept every row below m_nRows.
#pragma once

#include "app/Resource.h"
#include "transport/ITransportView.h"

#include <functional>
#include <map>
#include <utility>

class CFakeTransportView final : public ITransportView
{
public:
    void SetPaneText(int pane, const QString &text) override { m_panes[pane] = text; }
    void SetSliderRange(std::uint32_t) override {}
    void SetSliderPos(std::uint32_t position) override { m_dwSliderPos = position; }
    void SetSliderSelection(bool shown, std::uint32_t start, std::uint32_t end) override
    {
        m_bSelectionShown = shown;
        m_selection = {start, end};
    }
    bool IsSliderDragging() const override { return false; }
    void SetButtonCheck(unsigned id, bool pressed) override { m_nPlayReleases += id == IDC_PLAY_BUTTON && !pressed; }
    void SetMuteImage(bool muted) override { m_bMuteImage = muted; }
    void SetVolumePos(int volume) override { m_nVolume = volume; }
    void FillSelectionList(const std::vector<CSelectionSpan> &rows) override { m_rows = rows; }
    void AddSelection(std::uint32_t start, std::uint32_t end) override { m_rows.push_back({start, end}); }
    void EnableEffectsForRate(std::uint32_t, bool) override {}
    void ShowItemDescription(const QString &path,
                             const std::optional<CPlaybackEngine::SItemDescription> &description) override
    {
        m_descriptions.emplace_back(path, description);
    }
    bool OpenDictationText(int index) override
    {
        m_documents.push_back(index);
        return m_openText ? m_openText(index) : m_bAcceptDocument;
    }
    bool SetCurrentItem(int index) override
    {
        return m_setCurrent ? m_setCurrent(index) : index >= 0 && index < m_nRows;
    }

    std::function<bool(int)> m_openText, m_setCurrent;
    std::map<int, QString> m_panes;
    std::uint32_t m_dwSliderPos = 0;
    bool m_bSelectionShown = false, m_bMuteImage = false, m_bAcceptDocument = true;
    CSelectionSpan m_selection{0, 0};
    int m_nPlayReleases = 0, m_nVolume = -1, m_nRows = 0;
    std::vector<CSelectionSpan> m_rows;
    std::vector<int> m_documents;
    std::vector<std::pair<QString, std::optional<CPlaybackEngine::SItemDescription>>> m_descriptions;
};
