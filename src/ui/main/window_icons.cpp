#include "ui/main/window_icons.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QStyle>

#include <utility>

namespace varnel::ui {
namespace {

// Monochrome theme icons come as grey glyphs meant to be drawn in the
// text colour (desktop toolkits recolour them); drawn as they are, enabled
// buttons look faded on a light palette. They take the palette's button
// text colour here; coloured icons stay as they are.
constexpr int kMaxGreySaturation = 40;
constexpr int kMinGlyphAlpha = 32;

bool IsGreyGlyph(const QImage& image) {
  bool any = false;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor colour = image.pixelColor(x, y);
      if (colour.alpha() < kMinGlyphAlpha) continue;
      if (colour.hsvSaturation() > kMaxGreySaturation) return false;
      any = true;
    }
  }
  return any;
}

QPixmap InTextColour(const QPixmap& pixmap, const QColor& text) {
  QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
  if (!IsGreyGlyph(image)) return pixmap;
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      line[x] = qRgba(text.red(), text.green(), text.blue(), qAlpha(line[x]));
    }
  }
  QPixmap tinted = QPixmap::fromImage(image);
  tinted.setDevicePixelRatio(pixmap.devicePixelRatio());
  return tinted;
}

// The style's disabled picture maps grey levels towards the window colour,
// which on a dark palette leaves a grey glyph as it was. The normal picture
// at this opacity reads as disabled on any palette.
constexpr qreal kDisabledOpacity = 0.35;

class TCommandIconEngine : public QIconEngine {
 public:
  explicit TCommandIconEngine(QIcon icon) : icon_(std::move(icon)) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
  }

  // Buttons ask on every paint; the pictures are made once per size, mode
  // and text colour.
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    if (mode == QIcon::Selected) return icon_.pixmap(size, mode, state);
    const QColor text = QApplication::palette().color(QPalette::ButtonText);
    const QString key = QStringLiteral("%1x%2 %3 %4 %5")
                            .arg(size.width())
                            .arg(size.height())
                            .arg(mode)
                            .arg(state)
                            .arg(text.rgba());
    if (const auto made = made_.constFind(key); made != made_.cend()) return *made;
    QPixmap picture = InTextColour(icon_.pixmap(size, QIcon::Normal, state), text);
    if (mode == QIcon::Disabled) picture = Faded(picture);
    made_.insert(key, picture);
    return picture;
  }

  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return icon_.actualSize(size, mode, state);
  }

  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    return icon_.availableSizes(mode, state);
  }

  QIconEngine* clone() const override { return new TCommandIconEngine(icon_); }

 private:
  static QPixmap Faded(const QPixmap& normal) {
    QPixmap faded(normal.size());
    faded.setDevicePixelRatio(normal.devicePixelRatio());
    faded.fill(Qt::transparent);
    QPainter painter(&faded);
    painter.setOpacity(kDisabledOpacity);
    painter.drawPixmap(0, 0, normal);
    return faded;
  }

  QIcon icon_;
  QHash<QString, QPixmap> made_;
};

// Theme names in order of preference (classic name, then the symbolic one
// newer themes ship alone), and the style's icon where the theme has none.
struct TIconChoice {
  const char* ThemeName;
  QStyle::StandardPixmap Fallback;
  const char* Symbolic = nullptr;
};

TIconChoice Choice(TCommandIcon command) {
  switch (command) {
    case TCommandIcon::ConnectionManager:
      return {"network-server", QStyle::SP_DriveNetIcon};
    case TCommandIcon::Connect:
      return {"network-connect", QStyle::SP_ArrowForward};
    case TCommandIcon::Disconnect:
      return {"network-disconnect", QStyle::SP_BrowserStop};
    case TCommandIcon::Preferences:
      return {"preferences-system", QStyle::SP_FileDialogInfoView};
    case TCommandIcon::About:
      return {"help-about", QStyle::SP_MessageBoxInformation};
    case TCommandIcon::Exit:
      return {"application-exit", QStyle::SP_DialogCloseButton};
    case TCommandIcon::ClearLog:
      return {"edit-clear", QStyle::SP_DialogResetButton};
    case TCommandIcon::SaveLog:
      return {"document-save-as", QStyle::SP_DialogSaveButton};
    case TCommandIcon::UpFolder:
      return {"go-up", QStyle::SP_FileDialogToParent, "go-up-symbolic"};
    case TCommandIcon::Refresh:
      return {"view-refresh", QStyle::SP_BrowserReload, "view-refresh-symbolic"};
    case TCommandIcon::SelectFolder:
      return {"folder-open", QStyle::SP_DirOpenIcon, "document-open-symbolic"};
    case TCommandIcon::NewFolder:
      return {"folder-new", QStyle::SP_FileDialogNewFolder, "folder-new-symbolic"};
    case TCommandIcon::Delete:
      return {"edit-delete", QStyle::SP_TrashIcon, "edit-delete-symbolic"};
    // Files move between the panes: remote on the left, local on the right.
    case TCommandIcon::Download:
      return {"go-next", QStyle::SP_ArrowRight, "go-next-symbolic"};
    case TCommandIcon::Upload:
      return {"go-previous", QStyle::SP_ArrowLeft, "go-previous-symbolic"};
    case TCommandIcon::Abort:
      return {"process-stop", QStyle::SP_BrowserStop, "process-stop-symbolic"};
    case TCommandIcon::Rename:
      return {"edit-rename", QStyle::SP_FileDialogDetailedView, "document-edit-symbolic"};
    case TCommandIcon::RemoveFolder:
      return {"folder-remove", QStyle::SP_DirClosedIcon, "user-trash-symbolic"};
    case TCommandIcon::LargeIcons:
      return {"view-list-icons", QStyle::SP_FileDialogContentsView, "view-grid-symbolic"};
    case TCommandIcon::SmallIcons:
      return {"view-list-compact", QStyle::SP_FileDialogListView, "view-app-grid-symbolic"};
    case TCommandIcon::ListView:
      return {"view-list-text", QStyle::SP_FileDialogListView, "view-list-bullet-symbolic"};
    case TCommandIcon::DetailsView:
      return {"view-list-details", QStyle::SP_FileDialogDetailedView, "view-list-symbolic"};
    case TCommandIcon::ShowHidden:
      return {"view-hidden", QStyle::SP_FileDialogInfoView, "view-reveal-symbolic"};
  }
  return {"", QStyle::SP_FileIcon};
}

}  // namespace

QIcon CommandIcon(TCommandIcon command) {
  const TIconChoice choice = Choice(command);
  for (const char* theme_name : {choice.ThemeName, choice.Symbolic}) {
    if (!theme_name) continue;
    const QString name = QString::fromLatin1(theme_name);
    if (QIcon::hasThemeIcon(name)) return QIcon(new TCommandIconEngine(QIcon::fromTheme(name)));
  }
  return QIcon(new TCommandIconEngine(QApplication::style()->standardIcon(choice.Fallback)));
}

}  // namespace varnel::ui
