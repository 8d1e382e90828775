#pragma once
// The collapsible form under "Advanced Search Options" in every search window: five groups,
// each opened and closed by the check box in its header, that restrict a search by file,
// recording and musical attributes and by the text fields in which keywords are looked for.

#include <QScrollArea>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "windows/search/dialog_units.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QWidget;
class SearchCriteria;

class AdvancedSearchView : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int kGroupCount = 5;

    explicit AdvancedSearchView(QWidget* parent = nullptr);
    ~AdvancedSearchView() override;

    // Sets the form from criteria; defaults show no restriction at all.
    void SetCriteria(const SearchCriteria& criteria);
    // Fills the criteria's ranges, masks, text-field mask and keyword text. An invalid value
    // sets errorText (the last one wins) and leaves its bound 0.
    void GetCriteria(SearchCriteria& criteria, std::string& errorText);
    // Shows (and lays out) or hides the form.
    void Show(bool show);

    // Bit g offers group g.
    void SetOfferedGroups(int mask);
    int OfferedGroups() const { return offered_; }

    // The number in front of the text and its unit: "k" x 1024, "MB" x 1024 x 1024, "min" x 60,
    // "hr" x 3600; any other unit leaves it as it is. Empty or without a leading number:
    // errorText "<name>: Invalid input" and 0.
    static float ParseRangeValue(const std::string& text, const std::string& name,
                                 std::string& errorText);

    // Controls by their form id, for the search window and the tests.
    QCheckBox* CheckBox(int id) const;
    QComboBox* ComboBox(int id) const;
    QWidget* Control(int id) const;
    QWidget* Canvas() const { return canvas_; }
    // The top of each group and whether its header is open, as last laid out (units).
    int GroupTop(int group) const { return groupTop_[group]; }
    int ScrollHeightUnits() const;

    // Header and rule changes (the controls' own signals call these).
    void OnHeaderClicked(int group);
    void Layout();

    // The form's tables (defined with the code).
    struct Group;
    struct RangeRow;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class AdvancedFormCanvas;
    void Build();
    void SetReadingTabOrder();
    void Place(QWidget* w, int x, int y);
    void PlaceRange(const RangeRow& row, int top, bool visible);
    int GroupAdvance(int group) const;
    bool Offered(int group) const { return (offered_ >> group) & 1; }
    bool Open(int group) const;
    void PaintGroups(QPainter& painter);
    void UpdateCanvasSize();
    // How far the range rules' longest choice, in the form's font, pushes the boxes to their
    // right, in pixels.
    int RuleExcess() const;
    float RangeMin(const RangeRow& row, std::string& errorText) const;
    float RangeMax(const RangeRow& row, std::string& errorText) const;
    float RangeValue(int comboId, const RangeRow& row, std::string& errorText) const;
    int Mask(const std::vector<std::pair<int, int>>& boxes) const;

    QWidget* canvas_ = nullptr;
    DialogUnits units_;
    int offered_ = 0xFFFF;
    int groupTop_[kGroupCount] = {};
    std::map<int, QWidget*> controls_;
    // The controls the layout under way shows.
    std::set<QWidget*> laidOut_;
};
