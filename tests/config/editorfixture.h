#pragma once
// Helpers of the editor's tests: the editor's pages and tabs as the user
// sees them, and one look at a shown editor.
#include "formconfig.h"

#include <QStringList>
#include <functional>

class QDialog;
class TPageControl;

// The texts of the tabs the user can see, in order.
QStringList VisibleTabTexts(const TPageControl& pages);
// The page of a page control that w lies on.
QWidget* PageOf(QWidget* w);
// The object names of all pages, in order.
QStringList PageNames(const TPageControl& pages);
// Where the editor's pages are saved as pictures when the environment
// names a folder (VEXANO_EDITOR_SHOTS); empty otherwise.
QString ShotsFolder();
// Shows each visible page of the shown editor in turn and saves the screen
// under "<prefix>-<n>.png" in the shots folder.
void SaveVisiblePages(TFormConfig& editor, const QString& prefix);
