#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "collection/db/catalog.h"
#include "collection/db/connection.h"
#include "collection/db/query_builder.h"
#include "collection/search_criteria.h"
#include "collection/sound_file.h"

// One hit's rows as FetchRow reads them, with the hit's index in its result.
struct FetchedRow {
    int index = 0;
    SoundFileObj file;
    SoundVariantObj variant;
    int score = 0;
};

// The catalog as the rest of the program sees it: each operation converts between records
// and catalog rows, makes one or two calls of the catalog layer and shows any error text
// through the catalog's message hook, then carries on. Called on the user-interface thread.
//
// A database server can go away while the program runs. A call that finds the connection
// lost fails and says so once for the user's action (BeginCatalogUserAction); the action's
// further calls fail at once without a word. The next action connects again to the same
// data source and goes on. A read cut by the loss is read again on a new connection at
// once; a write never runs twice.
class CatalogDbObj {
public:
    // Connects at once; a failure is fatal (see Connect).
    explicit CatalogDbObj(const std::string& dataSource = "Quillnest");
    ~CatalogDbObj();
    CatalogDbObj(const CatalogDbObj&) = delete;
    CatalogDbObj& operator=(const CatalogDbObj&) = delete;

    // Connects with an empty user name and password. On failure shows one message,
    // "Could not connect to ODBC data source '<name>'" with the database the data source names
    // and the driver's reason (DB_connect_failure_text), and ends the process with status 255.
    void Connect(const std::string& dataSource);

    // Shows the text when there is one; true when there was none.
    static bool ShowError(const DB_error& error);

    // The connection to the server was lost and has not been made again: the last call
    // failed for it (and has told the user), not because of the catalog's rows. A long task
    // stops at such a failure.
    bool Unreachable() const { return lost_; }

    bool IsInCatalog(const std::string& path);
    bool GetFileById(int fileId, SoundFileObj& file);
    bool GetFileByPath(const std::string& path, SoundFileObj& file);
    bool GetSound(const std::string& path, int sampleRate, SoundVariantObj& variant);
    // The same for a file whose id is known, without looking its path up again.
    bool GetSoundOfFile(int fileId, int sampleRate, SoundVariantObj& variant);
    int GetSoundCount(const std::string& path);
    bool GetCounts(int& files, int& sounds);
    bool GetCategoryCounts(std::unique_ptr<DB_cats>& cats);
    bool GetGenres(DB_genre_list& genres);
    bool BuildShadowTables(int rebuild);

    // The hits of a local search; null and a count of 0 on error.
    std::unique_ptr<DB_query_result> RunQuery(const SearchCriteria& criteria, int& hitCount);
    // The record of hit `index`; false when it could not be read.
    bool FetchFile(const DB_query_result& result, int index, SoundFileObj& file);
    // The stored file row and its sound rows, highest rate first; false on error.
    bool GetMetadata(int fileId, std::unique_ptr<DB_file_sounds>& out);
    // The record, the variant and the score of hit `index`. Nothing is written unless both
    // rows could be read; a row that no longer exists leaves its record as it was.
    bool FetchRow(const DB_query_result& result, int index, SoundFileObj& file,
                  SoundVariantObj& variant, int& score);
    // The rows of `count` hits from `first` (cut to the result) in hit order, read with a
    // few statements instead of two per hit; each is what FetchRow gives into fresh records.
    // A hit whose file is no longer catalogued is left out, and a file whose variant at the
    // hit's rate is gone comes with an empty variant. On error the text is shown once, `out`
    // is empty and the result is false.
    bool FetchRows(const DB_query_result& result, int first, int count,
                   std::vector<FetchedRow>& out);
    static void FreeQueryResult(std::unique_ptr<DB_query_result>& result) { result.reset(); }

    // False when the path was not catalogued or could not be removed.
    bool RemoveFile(const std::string& path);
    // Stores the file with its variants, replacing a stored file of the same path. False when
    // nothing was stored (the reason has been shown).
    bool AddFile(SoundFileObj& file, const std::vector<SoundVariantObj>& variants);
    // Stores a changed record under its stored variants, whose key and tempo follow the
    // record's at each variant's pitch ratio; with newPath the file moves there.
    bool UpdateFile(SoundFileObj& file, const std::string* newPath = nullptr);

    DB_handle* Handle() const { return handle; }

private:
    // The id of a catalogued path, -1 when it is not (or cannot be) catalogued.
    int Lookup(const std::string& path);
    // Runs one call of the catalog layer on a live connection and shows its error; true
    // when it succeeded. `writes`: the call changes the catalog.
    bool Call(const std::function<DB_error(DB_handle*)>& call, bool writes = false);
    // Tells the user of a lost connection, once per action.
    void ShowLost(unsigned long action, const std::string& reason);

    DB_handle* handle = nullptr;
    std::string dataSource_;
    bool lost_ = false;
    // The action that has been told of the loss: its further calls fail without a word.
    unsigned long toldAction_ = 0;
    bool told_ = false;
};

// The one catalog of the program, created by the application before its windows and
// destroyed last but one.
extern CatalogDbObj* theCatalogDb;

// Bit n for each TEXTn of the row that holds text, except the link (TEXT7), whose words are
// never indexed.
int CatalogTextFieldMask(const DB_file& row);
