#include "importdlg/ImportDlg.h"

#include "importdlg/PreviewText.h"
#include "settings/Profile.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace {

using dlg::Kind;
using dlg::NoId;
using D = CImportDlg;

// 420 x 352 dialog units; template order is tab order. Each text's mnemonic moves to the
// control after it.
const dlg::Item kTemplate[] = {
        {NoId, Kind::Text, u"ファイル:", 8, 8, 40, 10},
        {D::IdFile, Kind::Edit, nullptr, 52, 6, 360, 12, dlg::ReadOnly | dlg::TabStop},
        {NoId, Kind::Text, u"文字コード(&E):", 8, 26, 54, 10},
        {D::IdEncoding, Kind::Custom, nullptr, 64, 24, 84, 13},
        {NoId, Kind::Text, u"区切り(&S):", 160, 26, 40, 10},
        {D::IdSeparator, Kind::Custom, nullptr, 202, 24, 60, 13},
        {NoId, Kind::Text, u"単位(&U):", 274, 26, 34, 10},
        {D::IdUnit, Kind::Custom, nullptr, 310, 24, 50, 13},
        {D::IdDetected, Kind::Text, u"", 8, 40, 404, 10},
        {NoId, Kind::GroupBox, u"列の割り当て", 8, 52, 404, 62},
        {NoId, Kind::Text, u"日付(&D):", 14, 66, 40, 10},
        {D::IdDate, Kind::Custom, nullptr, 56, 64, 84, 13},
        {NoId, Kind::Text, u"回収額(&C):", 148, 66, 44, 10},
        {D::IdCollected, Kind::Custom, nullptr, 194, 64, 84, 13},
        {NoId, Kind::Text, u"投資額(&M):", 284, 66, 40, 10},
        {D::IdInvested, Kind::Custom, nullptr, 326, 64, 80, 13},
        {NoId, Kind::Text, u"収支(&B):", 14, 82, 40, 10},
        {D::IdBalance, Kind::Custom, nullptr, 56, 80, 84, 13},
        {NoId, Kind::Text, u"店舗(&T):", 148, 82, 44, 10},
        {D::IdStore, Kind::Custom, nullptr, 194, 80, 84, 13},
        {NoId, Kind::Text, u"機種(&K):", 284, 82, 40, 10},
        {D::IdMachine, Kind::Custom, nullptr, 326, 80, 80, 13},
        {NoId, Kind::Text, u"メモ(&O):", 14, 98, 40, 10},
        {D::IdMemo, Kind::Custom, nullptr, 56, 96, 84, 13},
        {D::IdKind, Kind::Text, u"", 148, 98, 258, 10},
        {NoId, Kind::Text, u"読み込む内容(&P):", 8, 118, 100, 10},
        {D::IdPreview, Kind::Custom, nullptr, 8, 128, 404, 110},
        {D::IdCounts, Kind::Text, u"", 8, 242, 404, 10},
        {D::IdNotes, Kind::Text, u"", 8, 254, 404, 20, dlg::WordWrap},
        {NoId, Kind::Text, u"読み込めない行と重なる行(&R):", 8, 276, 140, 10},
        {D::IdRejected, Kind::Custom, nullptr, 8, 286, 404, 36},
        {NoId, Kind::GroupBox, u"変更のある日(&W):", 8, 326, 260, 22, dlg::Group},
        {D::IdOverwrite, Kind::Radio, u"読み込んだ値で上書き", 14, 336, 110, 10, dlg::VCenter},
        {D::IdKeep, Kind::Radio, u"今の値を残す", 140, 336, 100, 10, dlg::VCenter},
        {D::IdOk, Kind::DefPushButton, u"OK", 300, 332, 52, 14, dlg::Group | dlg::TabStop},
        {D::IdCancel, Kind::PushButton, u"ｷｬﾝｾﾙ", 360, 332, 52, 14, dlg::TabStop},
};

const QString kSection = QStringLiteral("Import");

// The columns the combos choose, in the order of m_columns.
int ColumnMap::*const kMapped[]
        = {&ColumnMap::date,  &ColumnMap::collected, &ColumnMap::invested, &ColumnMap::balance,
           &ColumnMap::store, &ColumnMap::machine,   &ColumnMap::memo};
const D::ControlId kColumnIds[] = {D::IdDate,  D::IdCollected, D::IdInvested, D::IdBalance,
                                   D::IdStore, D::IdMachine,   D::IdMemo};

void Select(QComboBox *combo, const QVariant &data)
{
    const int index = combo->findData(data);
    combo->setCurrentIndex(index < 0 ? 0 : index);
}

} // namespace

CImportDlg::CImportDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("CSVの読み込み"));
    setModal(true);
    setFont(dlg::DialogFont());
    const dlg::BaseUnits units = dlg::BaseUnitsOf(font());
    const auto factory = [this](const dlg::Item &item, QWidget *client) -> QWidget * {
        if (item.id == IdPreview) {
            auto *table = new QTableWidget(client);
            table->setEditTriggers(QAbstractItemView::NoEditTriggers);
            table->setSelectionBehavior(QAbstractItemView::SelectRows);
            table->setTabKeyNavigation(false);
            table->verticalHeader()->hide();
            table->setAccessibleName(QStringLiteral("読み込む内容"));
            return m_preview = table;
        }
        if (item.id == IdRejected) {
            m_rejected = new QListWidget(client);
            m_rejected->setAccessibleName(QStringLiteral("読み込めない行と重なる行"));
            return m_rejected;
        }
        return new QComboBox(client);
    };
    m_controls = dlg::Build(this, kTemplate, units, factory);
    setFixedSize(dlg::ToPixels(units, 420, 352));

    m_encoding = m_controls.get<QComboBox>(IdEncoding);
    m_encoding->addItem(EncodingName(CsvEncoding::Utf8), int(CsvEncoding::Utf8));
    m_encoding->addItem(EncodingName(CsvEncoding::ShiftJis), int(CsvEncoding::ShiftJis));
    m_separator = m_controls.get<QComboBox>(IdSeparator);
    m_separator->addItem(QStringLiteral("カンマ"), int(CsvSeparator::Comma));
    m_separator->addItem(QStringLiteral("タブ"), int(CsvSeparator::Tab));
    m_unit = m_controls.get<QComboBox>(IdUnit);
    m_unit->addItem(QStringLiteral("円"), false);
    m_unit->addItem(QStringLiteral("百円"), true);
    for (size_t i = 0; i < std::size(kColumnIds); ++i)
        m_columns[i] = m_controls.get<QComboBox>(kColumnIds[i]);
    m_detected = m_controls.get<QLabel>(IdDetected);
    m_kind = m_controls.get<QLabel>(IdKind);
    m_counts = m_controls.get<QLabel>(IdCounts);
    m_notes = m_controls.get<QLabel>(IdNotes);
    m_overwrite = m_controls.get<QRadioButton>(IdOverwrite);
    m_keep = m_controls.get<QRadioButton>(IdKeep);
    m_keep->setChecked(true);

    const auto changed = [this](bool header) {
        return [this, header] {
            if (!m_filling)
                ReadAgain(header);
        };
    };
    connect(m_encoding, &QComboBox::currentIndexChanged, this, changed(true));
    connect(m_separator, &QComboBox::currentIndexChanged, this, changed(true));
    connect(m_unit, &QComboBox::currentIndexChanged, this, changed(false));
    for (QComboBox *combo : m_columns)
        connect(combo, &QComboBox::currentIndexChanged, this, changed(false));
    connect(m_overwrite, &QRadioButton::toggled, this, &CImportDlg::UpdateOk);
    connect(m_controls.get<QPushButton>(IdOk), &QPushButton::clicked, this, &QDialog::accept);
    connect(m_controls.get<QPushButton>(IdCancel), &QPushButton::clicked, this, &QDialog::reject);
    UpdateOk();
}

CImportDlg::~CImportDlg()
{
    if (m_shown && isVisible())
        SavePosition();
}

QWidget *CImportDlg::control(ControlId id) const
{
    return m_controls.widget(id);
}

bool CImportDlg::Open(const QString &csvPath, const QString &dataFilePath, const CResultBook *book,
                      const SessionLookup &sessions)
{
    m_import = std::make_unique<CCsvImport>(csvPath);
    m_dataFilePath = dataFilePath;
    m_book = book;
    m_sessions = sessions;
    m_ready = false;
    m_controls.get<QLineEdit>(IdFile)->setText(QDir::toNativeSeparators(csvPath));
    if (!m_import->Open())
        return false;
    m_filling = true;
    Select(m_encoding, int(m_import->Options().encoding));
    Select(m_separator, int(m_import->Options().separator));
    m_filling = false;
    FillMapping();
    ReadAgain(false);
    // A file refused whole gets a box, not the window; a mapping to set is the window's.
    return !m_import->Refused();
}

QString CImportDlg::Problem() const
{
    return m_import ? m_import->Problem() : QString();
}

bool CImportDlg::Overwrite() const
{
    return m_overwrite->isChecked();
}

ImportChanges CImportDlg::Changes() const
{
    return m_ready ? m_import->Changes(Overwrite()) : ImportChanges();
}

void CImportDlg::FillMapping()
{
    m_filling = true;
    const QStringList &header = m_import->Header();
    const ColumnMap &map = m_import->Options().map;
    const bool own = m_import->Kind() != CsvKind::Other;
    for (size_t i = 0; i < std::size(m_columns); ++i) {
        QComboBox *combo = m_columns[i];
        combo->clear();
        combo->addItem(QStringLiteral("（なし）"), -1);
        for (int c = 0; c < int(header.size()); ++c) {
            const QString name = header[c].isEmpty() ? QStringLiteral("（見出しなし）") : header[c];
            combo->addItem(QStringLiteral("%1: %2").arg(c + 1).arg(name), c);
        }
        Select(combo, map.*kMapped[i]);
        combo->setEnabled(!own);
    }
    Select(m_unit, map.hundred);
    m_unit->setEnabled(!own);
    m_kind->setText(previewtext::Kind(m_import->Kind()));
    m_filling = false;
}

void CImportDlg::TakeMapping()
{
    ColumnMap &map = m_import->Options().map;
    for (size_t i = 0; i < std::size(m_columns); ++i)
        map.*kMapped[i] = m_columns[i]->currentData().toInt();
    map.hundred = m_unit->currentData().toBool();
}

void CImportDlg::ReadAgain(bool header)
{
    if (!m_import)
        return;
    m_ready = false;
    bool ok = true;
    if (header) {
        m_import->Options().encoding = CsvEncoding(m_encoding->currentData().toInt());
        m_import->Options().separator = CsvSeparator(m_separator->currentData().toInt());
        ok = m_import->LoadHeader();
        if (ok)
            FillMapping();
    } else if (m_import->Kind() == CsvKind::Other) {
        TakeMapping();
    }
    ok = ok && m_import->Read();
    m_ready = ok && m_import->Compare(m_dataFilePath, m_book, m_sessions);
    ShowResult();
}

void CImportDlg::ShowResult()
{
    m_detected->setText(previewtext::Detected(*m_import));
    m_counts->setText(m_ready ? previewtext::Counts(m_import->Counts()) : QString());
    m_notes->setText(m_ready ? previewtext::Notes(m_import->Counts()) : m_import->Problem());
    FillPreview();
    FillRejected();
    UpdateOk();
}

void CImportDlg::FillPreview()
{
    m_preview->clear();
    const bool sessions = m_import->Counts().sessions > 0;
    const QStringList headings = previewtext::Headings(sessions);
    m_preview->setColumnCount(int(headings.size()));
    m_preview->setHorizontalHeaderLabels(headings);
    const std::vector<PreviewRow> &rows
            = m_ready ? m_import->PreviewRows() : std::vector<PreviewRow>();
    m_preview->setRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r) {
        const QStringList cells = previewtext::Cells(rows[size_t(r)], sessions);
        for (int c = 0; c < int(cells.size()); ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (c != 1 && c != 2 && c != 3 && c < 7)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_preview->setItem(r, c, item);
        }
    }
    m_preview->resizeColumnsToContents();
    if (!rows.empty())
        m_preview->setCurrentCell(0, 0);
}

void CImportDlg::FillRejected()
{
    m_rejected->clear();
    if (m_ready || m_import->Counts().rejected > 0)
        m_rejected->addItems(previewtext::Problems(*m_import));
}

void CImportDlg::UpdateOk()
{
    const ImportChanges changes = Changes();
    m_controls.widget(IdOk)->setEnabled(!changes.days.empty() || !changes.sessions.empty());
}

void CImportDlg::setVisible(bool visible)
{
    if (visible && !m_shown) {
        // The stored position; (0, 0) is none, as for the other windows.
        const QPoint stored(GetProfileInt(kSection, QStringLiteral("Pos_X"), 0),
                            GetProfileInt(kSection, QStringLiteral("Pos_Y"), 0));
        if (!stored.isNull())
            move(stored);
        m_shown = true;
    }
    QDialog::setVisible(visible);
}

void CImportDlg::done(int result)
{
    if (m_shown && isVisible())
        SavePosition();
    QDialog::done(result);
}

void CImportDlg::SavePosition() const
{
    const QPoint topLeft = frameGeometry().topLeft();
    WriteProfileInt(kSection, QStringLiteral("Pos_X"), topLeft.x());
    WriteProfileInt(kSection, QStringLiteral("Pos_Y"), topLeft.y());
}
