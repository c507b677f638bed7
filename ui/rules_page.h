#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "cleaners/community_rules.h"
#include "framework/property_sheet.h"

// "Sweep More": the community rules for this machine, ticked one by one or all the filter shows at once
// (a rule with a warning only once the user confirms it), narrowed by a filter, stored with Apply, and
// swept alone by its button. The page appears at once; the list fills when detection, which runs on
// a thread of its own, has ended. "Get Rules..." downloads the community file on a thread of its own,
// with a bar and Cancel, and says what came.
class CRulesPage : public CPropertyPage {
public:
    CRulesPage();
    // A category's worker has reported: when the last one of this page's sweep has, its button is
    // "Sweep More" again.
    void CategoryEnded(uint32_t requestBit);

protected:
    BOOL OnInitDialog() override;
    bool OnApply() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    bool OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct Detection;
    struct Download;
    void StartDetection();
    void GetRules();
    void DownloadMoved();
    void ShowGetButton();
    void DetectionEnded();
    void Fill();
    void TickShown(bool tick);
    void OnTicked(int item, bool ticked);
    bool IsTicked(const std::string& name) const;
    const CommunityRule& RuleOfItem(int item) const;
    void SweepTicked();

    std::shared_ptr<const RuleCatalogue> m_catalogue;
    std::shared_ptr<Detection> m_detection;  // shared with the detecting thread, which may outlive the page
    std::shared_ptr<Download> m_download;    // the same for a download; none while none runs
    std::vector<size_t> m_shown;         // the detected rules, by their place in the catalogue
    std::vector<std::string> m_ticked;   // as stored, undetected ones included
    bool m_filling = false;              // the page itself changes the boxes
    uint32_t m_running = 0;              // the request bits of this page's sweep, until they report
};
