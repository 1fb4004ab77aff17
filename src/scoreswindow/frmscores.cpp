#include "scoreswindow/frmscores.h"

#include "base/hostdialogs.h"
#include "game/reportwrite.h"
#include "scores/scoresexport.h"
#include "scores/scorestore.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

const QStringList PlayerColumns = {QStringLiteral("Name"),
                                   QStringLiteral("Games played"),
                                   QStringLiteral("Words won"),
                                   QStringLiteral("Answers"),
                                   QStringLiteral("Right answers"),
                                   QStringLiteral("Accuracy"),
                                   QStringLiteral("Best streak in a game"),
                                   QStringLiteral("Last played"),
                                   QStringLiteral("In this game")};

QString accuracyText(const ScoreStore::PlayerRow &r)
{
    return r.answers ? QString::number(100.0 * r.right / r.answers, 'f', 1) + u'%' : QString();
}

QString dateText(const QDateTime &t)
{
    return t.isValid() ? t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString();
}

// Each column as wide as its heading at least, and as a date where it
// holds one. The rows are not measured: hundreds of them would cost the
// opening.
void fitColumns(QTableView *table, std::initializer_list<int> dateColumns)
{
    QHeaderView *header = table->horizontalHeader();
    const QFontMetrics metrics = table->fontMetrics();
    const int date =
        metrics.horizontalAdvance(dateText(QDateTime(QDate(2000, 12, 30), QTime(23, 59)))) +
        2 * metrics.averageCharWidth();
    for (int c = 0; c < header->count(); ++c) {
        int width = std::max(header->sectionSize(c), header->sectionSizeHint(c));
        if (std::find(dateColumns.begin(), dateColumns.end(), c) != dateColumns.end())
            width = std::max(width, date);
        header->resizeSection(c, width);
    }
}

// The value a column exports: counts and the accuracy as numbers, the rest
// as the table shows it.
constexpr int ExportRole = Qt::UserRole + 1;

// The players' rows: shown text, and the raw value to sort by.
class PlayersModel final : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;
    void reset(std::vector<ScoreStore::PlayerRow> rows, const QStringList &current)
    {
        beginResetModel();
        m_rows = std::move(rows);
        m_current = QSet<QString>(current.begin(), current.end());
        endResetModel();
    }
    int rowCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : int(PlayerColumns.size());
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (o == Qt::Horizontal && role == Qt::DisplayRole)
            return PlayerColumns.value(section);
        return QVariant();
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        const ScoreStore::PlayerRow &r = m_rows[size_t(index.row())];
        const bool now = m_current.contains(r.name);
        if (role == Qt::FontRole && now) {
            QFont f;
            f.setBold(true);
            return f;
        }
        if (role == ExportRole && index.column() == 5)
            return r.answers ? QVariant(std::round(1000.0 * r.right / r.answers) / 10)
                             : QVariant(QString());
        if (role == Qt::UserRole) {
            switch (index.column()) {
            case 5:
                return r.answers ? double(r.right) / r.answers : -1.0;
            case 7:
                return r.lastPlayed;
            default:
                break;
            }
        }
        if (role != Qt::DisplayRole && role != Qt::UserRole && role != ExportRole)
            return QVariant();
        switch (index.column()) {
        case 0:
            return r.name;
        case 1:
            return r.games;
        case 2:
            return r.won;
        case 3:
            return r.answers;
        case 4:
            return r.right;
        case 5:
            return accuracyText(r);
        case 6:
            return r.bestStreak;
        case 7:
            return dateText(r.lastPlayed);
        case 8:
            return now ? QStringLiteral("yes") : QString();
        }
        return QVariant();
    }

private:
    std::vector<ScoreStore::PlayerRow> m_rows;
    QSet<QString> m_current;
};

class frmScores final : public QWidget
{
public:
    frmScores(ScoreStore *store, HostDialogs &dialogs, const QString &whyEmpty)
        : m_store(store), m_dialogs(dialogs)
    {
        setObjectName(QStringLiteral("frmScores"));
        setWindowTitle(QStringLiteral("Scores"));
        auto *v = new QVBoxLayout(this);
        lblWhy = new QLabel(whyEmpty);
        lblWhy->setObjectName(QStringLiteral("lblWhy"));
        lblWhy->setWordWrap(true);
        lblWhy->setTextFormat(Qt::PlainText);
        lblWhy->setVisible(!whyEmpty.isEmpty());
        v->addWidget(lblWhy);
        tabs = new QTabWidget;
        tabs->setObjectName(QStringLiteral("tabs"));
        tabs->addTab(buildPlayers(), QStringLiteral("&Players"));
        tabs->addTab(buildGames(), QStringLiteral("&Games"));
        v->addWidget(tabs);
        resize(900, 460);
        refreshPlayers();
        refreshGames();
    }

    QComboBox *cboPeriod = nullptr, *cboFrom = nullptr, *cboInto = nullptr, *cboMerges = nullptr;
    QLineEdit *txtSearch = nullptr;
    QTableView *tblPlayers = nullptr, *tblGames = nullptr;
    QTextBrowser *txtReport = nullptr;
    QLabel *lblWhy = nullptr;
    QTabWidget *tabs = nullptr;

private:
    QWidget *buildPlayers()
    {
        auto *page = new QWidget;
        auto *v = new QVBoxLayout(page);
        auto *top = new QHBoxLayout;
        cboPeriod = new QComboBox;
        cboPeriod->setObjectName(QStringLiteral("cboPeriod"));
        cboPeriod->addItems({QStringLiteral("This game"), QStringLiteral("Today"),
                             QStringLiteral("Last 7 days"), QStringLiteral("Last 30 days"),
                             QStringLiteral("All time")});
        cboPeriod->setCurrentIndex(4);
        txtSearch = new QLineEdit;
        txtSearch->setObjectName(QStringLiteral("txtSearch"));
        txtSearch->setClearButtonEnabled(true);
        auto *lblPeriod = new QLabel(QStringLiteral("P&eriod:"));
        lblPeriod->setBuddy(cboPeriod);
        auto *lblSearch = new QLabel(QStringLiteral("&Search:"));
        lblSearch->setBuddy(txtSearch);
        auto *cmdCsv = new QPushButton(QStringLiteral("E&xport CSV..."));
        cmdCsv->setObjectName(QStringLiteral("cmdExportCsv"));
        for (QWidget *w :
             std::initializer_list<QWidget *>{lblPeriod, cboPeriod, lblSearch, txtSearch, cmdCsv})
            top->addWidget(w);
        v->addLayout(top);

        m_players = new PlayersModel(this);
        m_proxy = new QSortFilterProxyModel(this);
        m_proxy->setSourceModel(m_players);
        m_proxy->setSortRole(Qt::UserRole);
        m_proxy->setFilterKeyColumn(0);
        m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
        tblPlayers = new QTableView;
        tblPlayers->setObjectName(QStringLiteral("tblPlayers"));
        tblPlayers->setAccessibleName(QStringLiteral("Players"));
        tblPlayers->setModel(m_proxy);
        tblPlayers->setSortingEnabled(true);
        tblPlayers->sortByColumn(2, Qt::DescendingOrder);
        tblPlayers->setSelectionBehavior(QAbstractItemView::SelectRows);
        tblPlayers->setTabKeyNavigation(false);
        tblPlayers->horizontalHeader()->setStretchLastSection(true);
        // Fixed widths: measuring hundreds of rows would cost the opening.
        tblPlayers->horizontalHeader()->setDefaultSectionSize(92);
        tblPlayers->setColumnWidth(0, 170);
        fitColumns(tblPlayers, {7});
        tblPlayers->setWordWrap(false);
        tblPlayers->verticalHeader()->setDefaultSectionSize(tblPlayers->fontMetrics().height() + 6);
        v->addWidget(tblPlayers, 1);

        auto *merge = new QHBoxLayout;
        cboFrom = new QComboBox;
        cboFrom->setObjectName(QStringLiteral("cboFrom"));
        cboInto = new QComboBox;
        cboInto->setObjectName(QStringLiteral("cboInto"));
        cboMerges = new QComboBox;
        cboMerges->setObjectName(QStringLiteral("cboMerges"));
        auto *lblFrom = new QLabel(QStringLiteral("&Join:"));
        lblFrom->setBuddy(cboFrom);
        auto *lblInto = new QLabel(QStringLiteral("&into:"));
        lblInto->setBuddy(cboInto);
        auto *cmdMerge = new QPushButton(QStringLiteral("&Merge players..."));
        cmdMerge->setObjectName(QStringLiteral("cmdMerge"));
        auto *lblMerges = new QLabel(QStringLiteral("Mer&ges:"));
        lblMerges->setBuddy(cboMerges);
        auto *cmdUndo = new QPushButton(QStringLiteral("&Undo merge..."));
        cmdUndo->setObjectName(QStringLiteral("cmdUndoMerge"));
        for (QWidget *w : std::initializer_list<QWidget *>{lblFrom, cboFrom, lblInto, cboInto,
                                                           cmdMerge, lblMerges, cboMerges, cmdUndo})
            merge->addWidget(w);
        v->addLayout(merge);

        connect(cboPeriod, &QComboBox::currentIndexChanged, this, [this] { refreshPlayers(); });
        connect(txtSearch, &QLineEdit::textChanged, m_proxy,
                &QSortFilterProxyModel::setFilterFixedString);
        connect(cmdCsv, &QPushButton::clicked, this, [this] { exportCsv(); });
        connect(cmdMerge, &QPushButton::clicked, this, [this] { mergePlayers(); });
        connect(cmdUndo, &QPushButton::clicked, this, [this] { undoMerge(); });
        return page;
    }

    QWidget *buildGames()
    {
        auto *page = new QWidget;
        auto *v = new QVBoxLayout(page);
        auto *split = new QSplitter(Qt::Vertical);
        m_gamesModel = new GamesModel(this);
        tblGames = new QTableView;
        tblGames->setObjectName(QStringLiteral("tblGames"));
        tblGames->setAccessibleName(QStringLiteral("Games"));
        tblGames->setModel(m_gamesModel);
        tblGames->setSelectionBehavior(QAbstractItemView::SelectRows);
        tblGames->setSelectionMode(QAbstractItemView::SingleSelection);
        tblGames->setTabKeyNavigation(false);
        tblGames->horizontalHeader()->setStretchLastSection(true);
        fitColumns(tblGames, {0, 1});
        txtReport = new QTextBrowser;
        txtReport->setObjectName(QStringLiteral("txtReport"));
        txtReport->setAccessibleName(QStringLiteral("Report"));
        txtReport->setOpenLinks(false);
        split->addWidget(tblGames);
        split->addWidget(txtReport);
        v->addWidget(split, 1);
        auto *cmdHtml = new QPushButton(QStringLiteral("Export &HTML..."));
        cmdHtml->setObjectName(QStringLiteral("cmdExportHtml"));
        v->addWidget(cmdHtml, 0, Qt::AlignRight);
        connect(tblGames->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this] { showReport(); });
        connect(cmdHtml, &QPushButton::clicked, this, [this] { exportHtml(); });
        return page;
    }

    ScoreStore::Period period() const { return ScoreStore::Period(cboPeriod->currentIndex()); }

    void refreshPlayers()
    {
        if (!m_store)
            return;
        m_players->reset(m_store->players(period(), QDateTime::currentDateTime()),
                         m_store->currentPlayers());
        QStringList names;
        for (int r = 0; r < m_players->rowCount({}); ++r)
            names << m_players->index(r, 0).data().toString();
        for (QComboBox *c : {cboFrom, cboInto}) {
            c->clear();
            c->addItems(names);
        }
        cboMerges->clear();
        for (const ScoreStore::Merge &m : m_store->merges())
            cboMerges->addItem(m.from + QStringLiteral(" into ") + m.into, m.id);
    }

    void refreshGames()
    {
        m_games = m_store ? m_store->games() : std::vector<ScoreStore::GameRow>();
        m_gamesModel->reset(&m_games);
    }

    void showReport()
    {
        const int row = tblGames->currentIndex().row();
        if (!m_store || row < 0 || size_t(row) >= m_games.size())
            return;
        txtReport->setHtml(
            reportHtml(m_games[size_t(row)], m_store->report(m_games[size_t(row)].id)));
    }

    // The program may run in a folder the host cannot write (the installed
    // word lists), where a plain Save would fail: an export opens where the
    // last one went, else in the Documents folder, else at home.
    QString exportFolder() const
    {
        if (!m_exportFolder.isEmpty())
            return m_exportFolder;
        const QFileInfo documents(
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        return documents.isDir() && documents.isWritable() ? documents.filePath()
                                                           : QDir::homePath();
    }

    void save(const QString &filter, const QString &name, const QString &text)
    {
        const std::optional<QString> path =
            m_dialogs.saveFile(filter, QDir(exportFolder()).filePath(name));
        if (path && reportWrite(m_dialogs, saveExport(*path, text)))
            m_exportFolder = QFileInfo(*path).absolutePath();
    }

    void exportCsv()
    {
        QList<QVariantList> rows;
        for (int r = 0; r < m_proxy->rowCount(); ++r) {
            QVariantList row;
            for (int c = 0; c < m_proxy->columnCount(); ++c)
                row << m_proxy->index(r, c).data(ExportRole);
            rows << row;
        }
        QStringList header = PlayerColumns;
        header[5] += QStringLiteral(" (%)");
        save(QStringLiteral("CSV files (*.csv)"), QStringLiteral("scores.csv"),
             csvOf(header, rows));
    }

    void exportHtml()
    {
        const int row = tblGames->currentIndex().row();
        if (!m_store || row < 0 || size_t(row) >= m_games.size()) {
            m_dialogs.message(QStringLiteral("Choose a game first."), QStringLiteral("Scores"));
            return;
        }
        const ScoreStore::GameRow &g = m_games[size_t(row)];
        save(QStringLiteral("Web pages (*.html)"), QStringLiteral("game.html"),
             reportHtml(g, m_store->report(g.id)));
    }

    void mergePlayers()
    {
        const QString from = cboFrom->currentText(), into = cboInto->currentText();
        if (!m_store || from.isEmpty() || from == into) {
            m_dialogs.message(QStringLiteral("Choose two different players."),
                              QStringLiteral("Merge players"));
            return;
        }
        const QString question = QStringLiteral("Count every result of ") + from +
                                 QStringLiteral(" as ") + into +
                                 QStringLiteral("'s? The merge can be undone.");
        if (m_dialogs.ask(question, QStringLiteral("Merge players")) != HostDialogs::Answer::Yes)
            return;
        if (!m_store->mergePlayers(from, into))
            m_dialogs.message(QStringLiteral("The merge could not be recorded."),
                              QStringLiteral("Merge players"));
        refreshPlayers();
    }

    void undoMerge()
    {
        if (!m_store || cboMerges->currentIndex() < 0)
            return;
        if (m_dialogs.ask(QStringLiteral("Undo the merge of ") + cboMerges->currentText() + u'?',
                          QStringLiteral("Undo merge")) != HostDialogs::Answer::Yes)
            return;
        const qint64 id = cboMerges->currentData().toLongLong();
        const bool undone = m_store->undoMerge(id);
        if (!undone)
            m_dialogs.message(QStringLiteral("The undo could not be recorded."),
                              QStringLiteral("Undo merge"));
        // The tables show what the store holds; a merge still in force stays chosen.
        refreshPlayers();
        if (!undone)
            cboMerges->setCurrentIndex(cboMerges->findData(id));
    }

    // The games, newest first, read straight from the rows.
    class GamesModel final : public QAbstractTableModel
    {
    public:
        using QAbstractTableModel::QAbstractTableModel;
        void reset(const std::vector<ScoreStore::GameRow> *games)
        {
            beginResetModel();
            m_games = games;
            endResetModel();
        }
        int rowCount(const QModelIndex &p) const override
        {
            return p.isValid() || !m_games ? 0 : int(m_games->size());
        }
        int columnCount(const QModelIndex &p) const override { return p.isValid() ? 0 : 5; }
        QVariant headerData(int section, Qt::Orientation o, int role) const override
        {
            static const QStringList names = {QStringLiteral("Opened"), QStringLiteral("Ended"),
                                              QStringLiteral("Host"), QStringLiteral("Words"),
                                              QStringLiteral("Won")};
            return o == Qt::Horizontal && role == Qt::DisplayRole ? names.value(section)
                                                                  : QVariant();
        }
        QVariant data(const QModelIndex &index, int role) const override
        {
            if (role != Qt::DisplayRole)
                return QVariant();
            const ScoreStore::GameRow &g = (*m_games)[size_t(index.row())];
            switch (index.column()) {
            case 0:
                return dateText(g.opened);
            case 1:
                return g.ended.isValid() ? dateText(g.ended) : QStringLiteral("unfinished");
            case 2:
                return g.host;
            case 3:
                return g.words;
            case 4:
                return g.won;
            }
            return QVariant();
        }

    private:
        const std::vector<ScoreStore::GameRow> *m_games = nullptr;
    };

    ScoreStore *m_store;
    HostDialogs &m_dialogs;
    PlayersModel *m_players = nullptr;
    QSortFilterProxyModel *m_proxy = nullptr;
    GamesModel *m_gamesModel = nullptr;
    std::vector<ScoreStore::GameRow> m_games;
    QString m_exportFolder;
};

} // namespace

QWidget *createScoresWindow(ScoreStore *store, HostDialogs &dialogs, const QString &whyEmpty)
{
    return new frmScores(store, dialogs, whyEmpty);
}
