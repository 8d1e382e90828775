#pragma once
// The search form on the left of a search window: keywords (text searches), the collections,
// the pitch choice, the score row (similarity searches), "Search Now" and the advanced form.

#include <QWidget>
#include <map>
#include <string>

#include "windows/search/dialog_units.h"

class AdvancedSearchView;
class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class SearchBoxObj;
class SearchCriteria;

class SearchView : public QWidget {
    Q_OBJECT
public:
    // The ids of the controls that other code reaches; each control's objectName is
    // "search_<id>".
    static constexpr int kKeywordsId = 1005;  // the "Find:" box
    static constexpr int kLocalId = 1007;     // "MyTambrel"
    static constexpr int kWebId = 1008;       // "WebTambrel"
    static constexpr int kScoreRuleId = 1190; // "any", "at least", ... of a similarity search
    static constexpr int kSearchNowId = 1277; // "Search Now"
    static constexpr int kAdvancedId = 1315;  // "Advanced Search Options"

    explicit SearchView(QWidget* parent = nullptr);
    ~SearchView() override;

    // Reads the collections' settings and places the controls for the box's mode.
    void LayoutForMode(SearchBoxObj* box);
    // Fills the criteria from the form; false with an error text on a bad entry.
    bool GetCriteria(SearchCriteria& criteria, std::string& errorText);
    // The leading number of the text ("<name>: Invalid numerical input" and -1 without one).
    static int ParseNumberField(const std::string& text, const std::string& name,
                                std::string& errorText);

    // Dialog data <-> controls: save true reads the controls, false shows the data.
    void UpdateData(bool save);

    // Handlers.
    void OnSearchNow();
    void OnAdvancedClicked();
    void OnPitchClicked(int id);
    void OnScoreRuleChanged();

    AdvancedSearchView* Advanced() const { return advanced_; }
    QWidget* Control(int id) const;
    QComboBox* ComboBox(int id) const;
    QCheckBox* CheckBox(int id) const;
    QRadioButton* Radio(int id) const;
    QPushButton* SearchButton() const;
    const DialogUnits& Units() const { return units_; }
    int SeparatorY() const { return separatorY_; }
    QPoint AdvancedTopLeft() const { return advancedTopLeft_; }
    // The keyword text of the form's own "Find:" box.
    std::string KeywordText() const;

    // Dialog data.
    int SearchLocal = 1;
    int SearchWeb = 1;
    int AdvancedOptions = 0;
    int AllVariations = -1;   // 0 when chosen
    int NormalPitchOnly = -1; // 0 when chosen

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Build();
    // x and y in tenths of the dialog units; shift moves the control right by pixels.
    void Place(int id, int x, int y, int shift = 0);
    // How far the score rule's choices push the fields to their right, in pixels.
    int ScoreRuleExcess() const;
    void LayoutScoreRow();
    void PlaceAdvanced();

    SearchBoxObj* box_ = nullptr;
    AdvancedSearchView* advanced_ = nullptr;
    std::map<int, QWidget*> controls_;
    DialogUnits units_;
    QPoint advancedTopLeft_;
    int separatorY_ = 0;
    int separatorWidth_ = 0;
    int scoreRowY_ = 0;
};
