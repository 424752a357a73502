#pragma once
// Per-operator grid layouts: widths, visibility, captions, bands and the order of a grid's
// columns, kept on the server in sysColConfigure (one row per layout key and operator) and read
// once after each login into one record set shared by all windows.
//
// A layout is an INI text with the section "_Sys_": "_Ver_" = "V10", "_Cnt_" = the number of
// columns, then for each column n (its position) the keys "n_D" (identity), "n_W" (width), "n_G"
// (group index), "n_V" (visible), "n_C" (caption), "n_CD" (bound field), "n_B" (band), "n_R"
// (row in the band) and "n_X" (position in the band). Line breaks of texts are written "#$0D".
// Parameter lines cannot hold line breaks, so the text travels as one line, its line ends written
// "#$0D#$0A" (packLayoutText), cut into the ten pieces colstr1 … colstr10.

#include <QString>
#include <QStringList>

#include "client/logic/fixedtext.h"

namespace dyt {
class RecordSet;
struct GridColumn;
struct GridDefinition;
class GridView;
}  // namespace dyt

class QTableWidget;

namespace dyt::client {

namespace layouttext {
inline constexpr FixedText version{u"V10"};
inline constexpr FixedText section{u"_Sys_"};
inline constexpr FixedText nullArguments{
    u"LoadAutoColWidth: AGridView or AKeyName can not be null"};
inline constexpr FixedText lineBreak{u"#$0D"};
inline constexpr FixedText loadSql{u" select * from sysColConfigure where UserId=%s "};
}  // namespace layouttext

// Identity of a column tagged 0 that the operator may hide, and of one he may not.
inline constexpr int kHideableIdentity = 111;
inline constexpr int kFixedIdentity = -1;
// Width of one colstr field in GBK bytes when the server does not declare one, and the number
// of pieces.
inline constexpr int kLayoutPieceWidth = 4000;
inline constexpr int kLayoutPieces = 10;
// Width of a string grid's column whose key is missing.
inline constexpr int kDefaultStringGridWidth = 66;

// The identity stored for a column: its tag, or for tag 0 111 when the grid lets the operator hide
// columns, else -1.
int columnIdentity(const GridDefinition& grid, const GridColumn& column);

// Texts with line breaks ("\r\n", "\r" or "\n") as "#$0D", and back (as "\n").
QString encodeLayoutText(const QString& text);
QString decodeLayoutText(const QString& text);

// The INI text as one line: line ends "\r\n" written "#$0D#$0A"; and back. A text that has real
// line ends unpacks as it is.
QString packLayoutText(const QString& iniText);
QString unpackLayoutText(const QString& stored);

// The layout text of a grid description (an INI text).
QString gridLayoutText(const GridDefinition& grid);
// Applies a layout text (INI text or packed): false (nothing changed) when its version is not
// "V10". Each stored column is matched to a column of the grid by its identity and bound field (by
// the identity alone when only one column has it); widths, visibility, captions and bands are
// restored and the matched columns take the stored order, columns the layout does not know keep
// their place behind them.
bool applyGridLayoutText(GridDefinition& grid, const QString& text);

// String grids keep only the widths: "_Ver_", "_Cnt_" and "n_W".
QString stringGridLayoutText(const QList<int>& widths);
// The widths of a string grid's layout (66 for a missing key); empty for another version.
QList<int> stringGridWidths(const QString& text, int columnCount);

// Cuts a layout text into the ten colstr pieces of at most pieceWidth GBK bytes each (a character
// is never split); throws DytError when the text does not fit.
QStringList splitLayoutPieces(const QString& text, int pieceWidth = kLayoutPieceWidth);

// The shared record set of the operator's layouts (ColId, colstr1 … colstr10, ColValue, userId).
RecordSet& columnConfigs();
// Reads the layouts of the logged-in operator again; on failure the set stays empty and false is
// returned (the windows then keep their designed layouts).
bool ReloadColumnConfigs();

// Restores the layout stored under key onto the grid's columns; false when there is none or it
// is of another version. A null grid or an empty key throws DytError.
bool LoadGridLayout(GridView* grid, const QString& key);
// Saves the grid's current layout under key on the server and in the shared record set. A failed
// save is not reported to the operator: the result says whether it was stored. A null grid or an
// empty key throws DytError.
bool SaveGridLayout(GridView* grid, const QString& key);
// The same for plain string grids, which keep only their column widths.
bool loadStringGridLayout(QTableWidget* grid, const QString& key);
bool saveStringGridLayout(QTableWidget* grid, const QString& key);

}  // namespace dyt::client
