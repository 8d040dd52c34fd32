// The texture preview window: shows the subimages decoded from one texture,
// one at a time (a numbered button per subimage), in a fit view or at 1:1, and
// exports the texture's main image. Filled by the main window's ListDblClick.
#pragma once

#include <memory>

#include <QFileDialog>
#include <QString>
#include <QWidget>

#include "ImageData.h"
#include "Stream.h"

class QCheckBox;
class QPushButton;
class QScrollArea;
class TButtonGroup;
class TImage;

class TTexPrevWindow : public QWidget {
  Q_OBJECT

public:
  // A tool window owned by parent (the main window): no taskbar entry. Stays
  // hidden until the first texture is shown.
  explicit TTexPrevWindow(QWidget* parent = nullptr);
  ~TTexPrevWindow() override;

  TImage* Image = nullptr;
  TButtonGroup* ButtonGroup1 = nullptr;
  QWidget* Panel1 = nullptr;
  QPushButton* Button1 = nullptr;
  std::unique_ptr<QFileDialog> spd;  // made on first use: Qt's file dialogs are slow to build
  QScrollArea* ScrollBox1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  std::unique_ptr<TMemoryStream> DDSFile;  // the texture's bytes, read again by the export
  bool resized = false;
  TDynImageDataArray images;

  // Shows subimage num. On an empty list it shows no picture and the caption
  // "0 Subimages"; an index outside a non-empty list does nothing.
  void DisplayImage(int num);

  void FormCreate();
  void FormClose();
  // The layout step: docks the controls to the client area and sizes Image for
  // the current view.
  void FormResize();
  void ButtonGroup1ButtonClicked(int Index);
  void CheckBox1Click();
  void Button1Click();

  // The save dialog, made on first use with its fixed filter list.
  QFileDialog& SaveDialog();

protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  void BuildControls();
  void DockControls();
  void FitToSubimage(const TImageData& image);
  QString lastExportName_;
};

// The one preview window object, made at start-up right after the main window.
extern TTexPrevWindow* TexPrevWindow;
