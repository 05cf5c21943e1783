#pragma once

#include "dialogkit/DialogTemplate.h"
#include "import/CsvImport.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QLabel;
class QListWidget;
class QRadioButton;
class QTableWidget;

// "CSVの読み込み": the preview of a CSV import. It reads the file with the encoding, separator,
// column mapping and unit shown (detected and guessed first, changed by the user), compares it
// with the diary and shows the first rows as they will be read, the counts, every rejected or
// superseded row, and the choice for days that differ. It never writes: after OK, Changes() is
// what the caller writes.
class CImportDlg : public QDialog
{
    Q_OBJECT
public:
    // The controls; each value is also the control's object name, "id" and the number.
    enum ControlId {
        IdOk = 1, // the default button; enabled while there is something to write
        IdCancel = 2,
        IdFile = 100,
        IdEncoding = 101,
        IdSeparator = 102,
        IdUnit = 103,
        IdDetected = 104, // the encoding, separator and date formats found
        IdDate = 110,
        IdCollected = 111,
        IdInvested = 112,
        IdBalance = 113,
        IdStore = 114,
        IdMachine = 115,
        IdMemo = 116,
        IdKind = 117, // how the file is read
        IdPreview = 120,
        IdCounts = 121,
        IdNotes = 122, // rounded amounts, duplicates, sessions; or why nothing can be read
        IdRejected = 123,
        IdOverwrite = 130,
        IdKeep = 131, // the default
    };

    explicit CImportDlg(QWidget *parent = nullptr);
    ~CImportDlg() override;

    // Reads the file and compares it with the diary: the data file with the book's unsaved days
    // laid over it (book may be null), and the sessions lookup gives. False when the file is
    // refused as a whole (empty, binary, too large, a header alone, a line too long); Problem()
    // then says why and the window is not to be shown. A mapping the user still has to set, or a
    // data file that cannot be read, is shown in the window, with OK disabled.
    bool Open(const QString &csvPath, const QString &dataFilePath, const CResultBook *book,
              const SessionLookup &sessions = {});
    QString Problem() const;

    // What to write, as the window stands: new days, and the changed ones when overwriting.
    ImportChanges Changes() const;
    bool Overwrite() const;
    const CCsvImport *Import() const { return m_import.get(); }

    QWidget *control(ControlId id) const;
    QTableWidget *Preview() const { return m_preview; }

    void setVisible(bool visible) override;
    void done(int result) override;

private:
    void FillMapping(); // the column combos from the header and the options
    void ReadAgain(bool header); // after a change of the options
    void TakeMapping();
    void ShowResult();
    void FillPreview();
    void FillRejected();
    void UpdateOk();
    void SavePosition() const;

    std::unique_ptr<CCsvImport> m_import;
    QString m_dataFilePath;
    const CResultBook *m_book = nullptr;
    SessionLookup m_sessions;
    bool m_ready = false; // read and compared
    bool m_filling = false; // combos being filled: their signals are no user's change
    bool m_shown = false;

    dlg::Controls m_controls;
    QComboBox *m_encoding = nullptr;
    QComboBox *m_separator = nullptr;
    QComboBox *m_unit = nullptr;
    QComboBox *m_columns[7] = {}; // date, collected, invested, balance, store, machine, memo
    QTableWidget *m_preview = nullptr;
    QListWidget *m_rejected = nullptr;
    QLabel *m_detected = nullptr;
    QLabel *m_kind = nullptr;
    QLabel *m_counts = nullptr;
    QLabel *m_notes = nullptr;
    QRadioButton *m_overwrite = nullptr;
    QRadioButton *m_keep = nullptr;
};
