#include "app/CommandLine.h"

#include <QRegularExpression>
#include <cmath>

namespace kelvor::gui {

namespace {

std::optional<ViewMode> viewNamed(const QString& name) {
  if (name == "table") {
    return ViewMode::StatisticsTable;
  }
  if (name == "percent") {
    return ViewMode::ProcessorLoad;
  }
  if (name == "timestep") {
    return ViewMode::TimeStep;
  }
  if (name == "load") {
    return ViewMode::LoadOverTime;
  }
  return std::nullopt;
}

// Picture sizes beyond this are refused rather than allocated.
constexpr int LargestImageSide = 16384;

std::optional<QSize> sizeNamed(const QString& text) {
  static const QRegularExpression form("^(\\d{1,5})x(\\d{1,5})$");
  const QRegularExpressionMatch match = form.match(text);
  if (!match.hasMatch()) {
    return std::nullopt;
  }
  const int width = match.captured(1).toInt();
  const int height = match.captured(2).toInt();
  if (width < 1 || height < 1 || width > LargestImageSide || height > LargestImageSide) {
    return std::nullopt;
  }
  return QSize(width, height);
}

std::optional<double> secondsNamed(const QString& text) {
  bool ok = false;
  const double value = text.toDouble(&ok);
  return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

}  // namespace

std::optional<DesktopArguments> parseDesktopArguments(const QStringList& arguments,
                                                      QString& error) {
  DesktopArguments result;
  bool viewGiven = false;
  bool sizeGiven = false;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    const auto value = [&](qsizetype offset = 1) -> std::optional<QString> {
      if (i + offset >= arguments.size()) {
        error = QString("%1 needs a value").arg(argument);
        return std::nullopt;
      }
      return arguments[i + offset];
    };
    if (argument == "--config") {
      const std::optional<QString> file = value();
      if (!file) {
        return std::nullopt;
      }
      result.configFile = *file;
      ++i;
    } else if (argument == "--view") {
      const std::optional<QString> name = value();
      const std::optional<ViewMode> view = name ? viewNamed(*name) : std::nullopt;
      if (!view) {
        error = name ? QString("unknown view %1").arg(*name) : error;
        return std::nullopt;
      }
      result.view = *view;
      viewGiven = true;
      ++i;
    } else if (argument == "--window") {
      const std::optional<QString> start = value(1);
      const std::optional<QString> end = start ? value(2) : std::nullopt;
      if (!end) {
        error = QString("--window needs START and END in seconds");
        return std::nullopt;
      }
      const std::optional<double> a = secondsNamed(*start);
      const std::optional<double> b = secondsNamed(*end);
      if (!a || !b) {
        error = QString("--window needs START and END in seconds");
        return std::nullopt;
      }
      result.window = TimeWindow::between(*a, *b);
      i += 2;
    } else if (argument == "--size") {
      const std::optional<QString> text = value();
      const std::optional<QSize> size = text ? sizeNamed(*text) : std::nullopt;
      if (!size) {
        error = text ? QString("--size wants WIDTHxHEIGHT, e.g. 1400x820") : error;
        return std::nullopt;
      }
      result.size = *size;
      sizeGiven = true;
      ++i;
    } else if (argument == "--compare") {
      const std::optional<QString> file = value();
      if (!file) {
        return std::nullopt;
      }
      result.baselineFile = *file;
      ++i;
    } else if (argument == "--save-image") {
      const std::optional<QString> file = value();
      if (!file) {
        return std::nullopt;
      }
      result.imageFile = *file;
      ++i;
    } else if (argument.startsWith("--")) {
      error = QString("unknown option %1").arg(argument);
      return std::nullopt;
    } else if (result.traceFile.isEmpty()) {
      result.traceFile = argument;
    } else {
      error = QString("only one FILE can be opened");
      return std::nullopt;
    }
  }
  if (result.imageFile.isEmpty() && (viewGiven || sizeGiven || result.window)) {
    error = QString("--view, --window and --size go with --save-image");
    return std::nullopt;
  }
  if (!result.baselineFile.isEmpty() &&
      (result.traceFile.isEmpty() || !result.imageFile.isEmpty())) {
    error = QString("--compare needs a FILE to compare and goes without --save-image");
    return std::nullopt;
  }
  if (!result.imageFile.isEmpty() && result.traceFile.isEmpty()) {
    error = QString("--save-image needs a FILE to render");
    return std::nullopt;
  }
  return result;
}

}  // namespace kelvor::gui
