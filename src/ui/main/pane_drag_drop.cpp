#include "ui/main/pane_drag_drop.h"

#include <QAbstractItemView>
#include <QDropEvent>
#include <QFile>
#include <QListView>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>

namespace varnel::ui {
namespace {

const char* SideWord(TPaneSide side) { return side == TPaneSide::Local ? "local" : "remote"; }

QByteArray Marker(TPaneSide side, quintptr window) {
  return QByteArray::number(static_cast<qulonglong>(window)) + " " + SideWord(side);
}

std::vector<std::string> LocalFiles(const QMimeData& data) {
  std::vector<std::string> paths;
  for (const QUrl& url : data.urls()) {
    if (url.isLocalFile()) paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
  }
  return paths;
}

}  // namespace

QMimeData* PaneDragData(TPaneSide side, quintptr window,
                        const std::vector<std::string>& local_paths) {
  auto* data = new QMimeData;
  data->setData(kPaneDragFormat, Marker(side, window));
  QList<QUrl> urls;
  for (const std::string& path : local_paths) {
    urls << QUrl::fromLocalFile(QFile::decodeName(path.c_str()));
  }
  if (!urls.isEmpty()) data->setUrls(urls);
  return data;
}

TDropDecision DecideDrop(TPaneSide target, quintptr window, const QMimeData& data, bool ready) {
  if (!ready) return {};
  if (data.hasFormat(kPaneDragFormat)) {
    const TPaneSide other = target == TPaneSide::Local ? TPaneSide::Remote : TPaneSide::Local;
    if (data.data(kPaneDragFormat) != Marker(other, window)) return {};
    return {target == TPaneSide::Remote ? TDropAction::Upload : TDropAction::Download, {}};
  }
  if (target != TPaneSide::Remote) return {};
  std::vector<std::string> paths = LocalFiles(data);
  if (paths.empty()) return {};
  return {TDropAction::UploadFiles, std::move(paths)};
}

TPaneDropTarget::TPaneDropTarget(TPaneSide side, quintptr window, TPaneViews& views,
                                 std::function<bool()> ready,
                                 std::function<void(const TDropDecision&)> drop)
    : QObject(&views), side_(side), window_(window), ready_(std::move(ready)), drop_(std::move(drop)) {
  for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(views.Details()),
                                  static_cast<QAbstractItemView*>(views.Icons())}) {
    view->setDragDropMode(QAbstractItemView::DragOnly);
    view->setDefaultDropAction(Qt::CopyAction);
    view->viewport()->setAcceptDrops(true);
    view->viewport()->installEventFilter(this);
  }
}

bool TPaneDropTarget::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
    return QObject::eventFilter(watched, event);
  }
  auto* drop = static_cast<QDropEvent*>(event);
  const QMimeData* data = drop->mimeData();
  TDropDecision decision =
      data ? DecideDrop(side_, window_, *data, ready_()) : TDropDecision{};
  if (decision.Action == TDropAction::None) {
    drop->ignore();
    return true;
  }
  drop->setDropAction(Qt::CopyAction);
  drop->accept();
  if (type == QEvent::Drop) {
    QMetaObject::invokeMethod(
        this, [this, decision = std::move(decision)] { drop_(decision); }, Qt::QueuedConnection);
  }
  return true;
}

}  // namespace varnel::ui
