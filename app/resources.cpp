#include "app/resources.h"

#include <QString>
#include <map>

namespace {

struct StringRow {
    int id;
    const char* text;
};

const StringRow kStrings[] = {
    {104, "Socket initialization has failed."},
    {130, "1. Select audio files or folders above and drag them into the table below.\n"
          "2. Enter or change the data in the columns of the table.\n"
          "3. Click on the Start Updating MyTambrel button.\n\n"
          "Choose \"Normal Only\" in the Pitch column for faster updates,\n"
          "or \"All Variations\" to find more sounds."},
    {131, "Enter one or more words in the text box above and then click on the\n\"Search Now\" "
          "button to find audio files labelled with one of these words. \n\nYou can also click "
          "on \"Advanced\", then identify properties of the audio\nfiles you wish to find."},
    {132, "To find similar sounds click on the \"Search Now\" button.\n\nYou can also click on "
          "\"Advanced\", then identify properties\nof the audio files you wish to locate."},
    {133, "Unable to proceed because there is no\nconnection to the Internet. \n\nPlease connect "
          "to the Internet and try again."},
    {136, "No hits in MyTambrel\n\nClick on the WebTambrel tab below\nto view hits in WebTambrel."},
    {137, "No hits in WebTambrel\n\nClick on the MyTambrel tab below\nto view hits in MyTambrel."},
    {145, "Performing search, click here to stop..."},
    {146, "Performing export, click here to stop..."},
    {147, "< Click on the Manage MyTambrel button to add\naudio files to MyTambrel.  "},
    {148, "< Click on the Search button to locate audio files \nin MyTambrel or WebTambrel. "},
    {149, "< From the File menu, select Open to open an \nexisting audio file on your hard drive "
          "or select \nNew to create a new audio file."},
    {150, "< Click on this button to hear the sound."},
    {151, "< Click on this button to open the sound in the audio editor."},
    {152, "< Click on this button to initiate a \"sounds-like\" search."},
    {156, "MyTambrel search in progress...\nClick here to stop"},
    {157, "WebTambrel search in progress...\nClick here to stop"},
    {167, "Please wait while items in MyTambrel are categorized"},
    {168, "< Click on this button to play the sound in a loop."},
    {138, "Sounds-Like Search works best using a short sound example (less than 30 seconds).  "
          "The example you selected has a duration of %d seconds.\n\nWould you like to perform "
          "the search anyway?"},
    {140, "To select a shorter sound example, drag the mouse on the waveform display, then click "
          "on the \"sounds-like search\" button."},
    {153, "This is a new audio file containing silence."},
    {154, "< Click on the Record button to record sounds into this file. "},
    {155, "< Click on the Paste button to copy sounds from the clipboard."},
    {158, "This is the audio file's waveform display.\nClick and drag with the mouse to select a "
          "portion of audio."},
    {159, "< Click on the play button to listen."},
    {163, "< Click on this button to save changes to the file (top of window)."},
    {165, "Audio data for files saved in this format cannot be edited."},
    {166, "< Click on the \"Save As\" button to save to a different format."},
};

std::map<int, QPixmap>& DrawnIcons() {
    static std::map<int, QPixmap> icons;
    return icons;
}

QPixmap Load(const char* folder, int id) {
    QPixmap pixmap;
    if (id != 0)
        pixmap.load(QStringLiteral(":/%1/%2.png").arg(QLatin1String(folder)).arg(id));
    return pixmap;
}

} // namespace

std::string ResourceString(int id) {
    for (const auto& row : kStrings)
        if (row.id == id)
            return row.text;
    return {};
}

QPixmap ResourceIcon(int id) {
    // The compiled-in files never change, and loading one asks for its file time each time:
    // a results table sets an icon on every row button it makes.
    static std::map<int, QPixmap> loaded;
    auto known = loaded.find(id);
    if (known == loaded.end())
        known = loaded.emplace(id, Load("icons", id)).first;
    // A compiled-in picture is the id's one look for the whole run: a window that draws its
    // own pictures later (the editor) must not change the buttons other windows show.
    if (!known->second.isNull())
        return known->second;
    const auto drawn = DrawnIcons().find(id);
    return drawn != DrawnIcons().end() ? drawn->second : known->second;
}

void RegisterResourceIcon(int id, const QPixmap& pixmap) {
    DrawnIcons()[id] = pixmap;
}
QPixmap ResourceBitmap(int id) {
    return Load("bitmaps", id);
}
