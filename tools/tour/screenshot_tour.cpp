// Walks the main window through every tab with the simulator feeding it and
// saves what the screen shows of each as a PNG (docs/screenshots, through
// scripts/screenshots). Runs on a real display, usually Xvfb, so the web
// views' pixels are in the pictures too.
//
//   screenshot_tour ZENTRIK_SIM OUT_DIR
#include "ciplineedit.h"
#include "fakeports.h"
#include "framedescription.h"
#include "frameview.h"
#include "gpstab.h"
#include "hextext.h"
#include "infotab.h"
#include "localhttpserver.h"
#include "mainwindow.h"
#include "mappage.h"
#include "paramview.h"
#include "scripteddialogs.h"
#include "simulatorprocess.h"
#include "webenginesandbox.h"

#include <qwt_plot.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSaveFile>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>
#include <QUdpSocket>
#include <QWindow>

#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kStartTimeoutMs = 20000;

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

[[noreturn]] void fail(const QString &why)
{
    QTextStream(stderr) << "screenshot_tour: " << why << '\n';
    std::exit(1);
}

void pump(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        pump(50);
    }
    return true;
}

quint16 freeTcpPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.localPort();
}

const char kTutorialIndex[] = "入门 | 第一次打开串口 | tutorials/first-port.html\n"
                              "入门 | 摄像头图像 | tutorials/camera.html\n"
                              "调试 | 虚拟示波器 | tutorials/scope.html\n";

const char kTutorialPage[] =
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>第一次打开串口</title>"
    "<style>body{font-family:sans-serif;margin:24px;line-height:1.6}"
    "h1{color:#2b5876}code{background:#eef;padding:2px 4px}</style></head><body>"
    "<h1>第一次打开串口</h1>"
    "<p>把USB转串口模块接到电脑上，在“串口调试助手”中选择它的端口，"
    "波特率设为与单片机一致（例如 <code>115200</code>），再按“打开串口”。</p>"
    "<ol><li>单片机每秒发送一行 <code>Hello</code>；</li>"
    "<li>接收区出现文字即表示连接正常；</li>"
    "<li>勾选“16进制显示”可以查看原始字节。</li></ol>"
    "</body></html>";

class Tour
{
public:
    Tour(const QString &simulator, const QString &outDir)
        : m_simulator(simulator)
        , m_outDir(outDir)
        , m_window(m_dialogs, m_ports.source())
    {
        m_http.serve(QStringLiteral("/info.txt"), QByteArray(kTutorialIndex));
        m_http.serve(QStringLiteral("/tutorials/first-port.html"), QByteArray(kTutorialPage));
        useLocalTutorialServer();
        m_window.move(0, 0);
        m_window.show();
        m_window.raise();
        m_window.activateWindow();
        pump(500);
    }

    void run()
    {
        serialAssistant();
        carTab();
        gsmTab();
        gpsTab();
        netTab();
        tutorials();
    }

private:
    template <typename T>
    T *w(const char *name)
    {
        T *found = m_window.findChild<T *>(QString::fromLatin1(name));
        if (!found)
            fail(QStringLiteral("no widget %1").arg(QString::fromLatin1(name)));
        return found;
    }

    // A widget of that name inside `page`: the serial assistant's plot has
    // the same names as the car tab's oscilloscope.
    template <typename T>
    T *within(const char *page, const char *name)
    {
        T *found = w<QWidget>(page)->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            fail(QStringLiteral("no widget %1 in %2").arg(QString::fromLatin1(name),
                                                          QString::fromLatin1(page)));
        return found;
    }

    QTabWidget *mainTabs() { return w<QTabWidget>("tabWidget_main"); }

    // The window's own tutorials tab asks the maker's server; this one asks
    // the local server instead and stands in its place.
    void useLocalTutorialServer()
    {
        QTabWidget *tabs = mainTabs();
        for (int i = 0; i < tabs->count(); ++i) {
            if (!qobject_cast<InfoTab *>(tabs->widget(i)))
                continue;
            const QString title = tabs->tabText(i);
            tabs->removeTab(i);
            m_infoTab = new InfoTab(m_http.url(QStringLiteral("/")), tabs);
            tabs->insertTab(i, m_infoTab, title);
            return;
        }
        fail(QStringLiteral("no tutorials tab"));
    }

    SimulatorProcess &simulator(const QStringList &arguments, bool onNetwork = false)
    {
        m_sims.push_back(std::make_unique<SimulatorProcess>());
        SimulatorProcess &sim = *m_sims.back();
        const bool started = onNetwork ? sim.startOnNetwork(m_simulator, arguments, kStartTimeoutMs)
                                       : sim.start(m_simulator, arguments, kStartTimeoutMs);
        if (!started)
            fail(sim.error());
        return sim;
    }

    void openSerial(const char *portBox, const char *button, const SimulatorProcess &sim)
    {
        w<QComboBox>(portBox)->setEditText(sim.portPath());
        w<QPushButton>(button)->click();
    }

    void show(const char *pageName)
    {
        mainTabs()->setCurrentWidget(w<QWidget>(pageName));
        pump(200);
    }

    // The whole window, or a part of it.
    void shoot(const QString &name, const QRect &part = QRect(0, 0, -1, -1))
    {
        pump(400);
        QWindow *handle = m_window.windowHandle();
        const QImage shot = handle->screen()
                                ->grabWindow(m_window.winId(), part.x(), part.y(), part.width(),
                                             part.height())
                                .toImage();
        QImageWriter writer(QDir(m_outDir).filePath(name + QStringLiteral(".png")));
        writer.setQuality(0); // for PNG: the strongest compression
        if (shot.isNull() || !writer.write(shot.convertToFormat(QImage::Format_RGB888)))
            fail(QStringLiteral("cannot save %1: %2").arg(name, writer.errorString()));
        out() << "saved " << writer.fileName() << '\n' << Qt::flush;
    }

    // A firmware printing labelled numbers: the text on the left, its plot
    // beside it.
    void serialAssistant()
    {
        show("uart_tab");
        const SimulatorProcess &car = simulator(
            {QStringLiteral("car"), QStringLiteral("--protocol"), QStringLiteral("text"),
             QStringLiteral("--text-format"), QStringLiteral("labelled"),
             QStringLiteral("--channels"), QStringLiteral("3"), QStringLiteral("--fps"),
             QStringLiteral("50")});
        w<QCheckBox>("uart_plot_ck")->setChecked(true);
        openSerial("uart_portBox", "uart_OpenCloseButton", car);
        w<QPlainTextEdit>("uart_sendEdit")->setPlainText(QStringLiteral("kp:1.5"));
        pump(4000);
        shoot(QStringLiteral("serial"));
    }

    void carTab()
    {
        show("car_tab");
        w<QComboBox>("car_imgBox")->setCurrentIndex(1); // grey
        w<QSpinBox>("car_img_w")->setValue(80);
        w<QSpinBox>("car_img_h")->setValue(60);
        w<QComboBox>("car_ccd_num")->setCurrentIndex(1); // two sensors
        within<QSpinBox>("car_ware_tab", "car_ware_num")->setValue(4);
        within<QComboBox>("car_ware_tab", "car_ware_type")->setCurrentIndex(6); // float
        const SimulatorProcess &car = simulator(
            {QStringLiteral("car"), QStringLiteral("--send"), QStringLiteral("camera,ccd,scope"),
             QStringLiteral("--image"), QStringLiteral("grey"), QStringLiteral("--ccd-count"),
             QStringLiteral("2"), QStringLiteral("--channels"), QStringLiteral("4"),
             QStringLiteral("--sample-type"), QStringLiteral("float"), QStringLiteral("--fps"),
             QStringLiteral("25")});
        openSerial("car_portBox", "car_OpenCloseButton", car);
        QTabWidget *pages = w<QTabWidget>("car_tabWidget");
        const QStringList names{QStringLiteral("car-camera"), QStringLiteral("car-ccd"),
                                QStringLiteral("car-scope")};
        for (int page = 0; page < pages->count() && page < names.size(); ++page) {
            pages->setCurrentIndex(page);
            pump(2500);
            shoot(names.at(page));
        }
        measureTheScope();
        tuneTheCar(pages);
        stepTheCar(pages);
        readOwnFrames(pages);
    }

    // The oscilloscope page held, with cursors A and B, the table under the
    // plot, and then the spectrum of the same samples.
    void measureTheScope()
    {
        const auto find = [this](const char *name) { return within<QWidget>("car_ware_tab", name); };
        static_cast<QPushButton *>(find("car_ware_hold"))->setChecked(true);
        static_cast<QCheckBox *>(find("car_ware_toolsShown"))->setChecked(true);
        pump(300);
        QWidget *canvas = static_cast<QwtPlot *>(find("car_scope"))->canvas();
        const int y = canvas->height() / 2;
        clickAt(canvas, QPoint(canvas->width() * 3 / 10, y), Qt::NoModifier);
        clickAt(canvas, QPoint(canvas->width() * 7 / 10, y), Qt::ShiftModifier);
        QMouseEvent move(QEvent::MouseMove, QPoint(canvas->width() / 2, y), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(canvas, &move);
        shoot(QStringLiteral("car-scope-measure"));

        static_cast<QComboBox *>(find("car_ware_display"))->setCurrentIndex(1); // 频谱
        shoot(QStringLiteral("car-scope-spectrum"));
        static_cast<QComboBox *>(find("car_ware_display"))->setCurrentIndex(0);
        static_cast<QCheckBox *>(find("car_ware_toolsShown"))->setChecked(false);
        static_cast<QPushButton *>(find("car_ware_hold"))->setChecked(false);
    }

    static void clickAt(QWidget *canvas, const QPoint &at, Qt::KeyboardModifiers modifiers)
    {
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              modifiers);
            QApplication::sendEvent(canvas, &event);
        }
    }

    // The parameter page sends a set to the running simulator, which
    // answers with the values it now holds.
    void tuneTheCar(QTabWidget *pages)
    {
        CarParameterSet set;
        set.mode = CarParameterSet::Mode::Binary;
        set.textTemplate = QStringLiteral("%name=%value\\n");
        set.rows = {{QStringLiteral("speed"), 40, 0, 100, 1, 0},
                    {QStringLiteral("kp"), 1.25, 0, 10, 0.05, 2},
                    {QStringLiteral("ki"), 0.1, 0, 2, 0.01, 2},
                    {QStringLiteral("kd"), 0.5, 0, 5, 0.1, 1}};
        auto *page = m_window.findChild<ParameterView *>();
        if (!page)
            fail(QStringLiteral("no parameter page"));
        page->setParameterSet(set);
        pages->setCurrentWidget(w<QWidget>("car_param_tab"));
        w<QPushButton>("car_param_sendAll")->click();
        pump(2500);
        shoot(QStringLiteral("car-params"));
    }

    // Three tries of kp, each held for a few of the simulator's set-point
    // steps, measured on the step response page.
    void stepTheCar(QTabWidget *pages)
    {
        auto *page = m_window.findChild<ParameterView *>();
        pages->setCurrentWidget(w<QWidget>("car_step_tab"));
        for (const double kp : {1.0, 2.5, 6.0}) {
            CarParameterSet set = page->parameterSet();
            set.rows[1].value = kp;
            page->setParameterSet(set);
            w<QPushButton>("car_param_sendAll")->click();
            pump(7000);
        }
        // The figures that changed and the parameters beside them.
        QScrollBar *across = w<QTableWidget>("car_step_table")->horizontalScrollBar();
        across->setValue(across->maximum());
        pump(100);
        shoot(QStringLiteral("car-steps"));
    }

    // The page's own description streamed by the simulator, with one of
    // its frames pasted into the test box.
    void readOwnFrames(QTabWidget *pages)
    {
        w<QPushButton>("car_OpenCloseButton")->click();
        auto *protocol = w<QComboBox>("car_protocol");
        protocol->setCurrentIndex(protocol->findText(QStringLiteral("自定义帧")));
        auto *page = w<QWidget>("car_frame_tab")->findChild<FrameView *>();
        if (!page)
            fail(QStringLiteral("no frame format page"));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("imu.zframe"));
        QSaveFile description(file);
        if (!description.open(QIODevice::WriteOnly) || description.write(page->descriptionText()) < 0
            || !description.commit())
            fail(QStringLiteral("cannot write %1").arg(file));
        const SimulatorProcess &car = simulator(
            {QStringLiteral("car"), QStringLiteral("--protocol"), QStringLiteral("custom"),
             QStringLiteral("--frame"), file, QStringLiteral("--fps"), QStringLiteral("50")});
        openSerial("car_portBox", "car_OpenCloseButton", car);
        pages->setCurrentWidget(w<QWidget>("car_frame_tab"));
        const double values[FrameFormat::kMaxChannels] = {1.25, 90.5};
        auto *test = within<QLineEdit>("car_frame_tab", "car_frame_test");
        test->setText(bytesToHexText(FrameFormat::encode(page->description(), 0, values)).trimmed());
        test->setCursorPosition(0);
        pump(3000);
        shoot(QStringLiteral("frames"));
    }

    void gsmTab()
    {
        show("gsm_tab");
        const SimulatorProcess &modem = simulator({QStringLiteral("gsm")});
        openSerial("gsm_portBox", "gsm_OpenCloseButton", modem);
        for (const char *button : {"gsm_CGMIButton", "gsm_CSQButton", "gsm_COPSButton",
                                   "gsm_CNUMButton"}) {
            w<QPushButton>(button)->click();
            pump(400);
        }
        w<QLineEdit>("gsm_smsnum")->setText(QStringLiteral("1"));
        w<QPushButton>("gsm_readsmsButton")->click();
        pump(1000);
        shoot(QStringLiteral("gsm"));
    }

    void gpsTab()
    {
        show("gps_tab");
        // Zoomed out far enough that the coast and the borders show even
        // in the offline view.
        const SimulatorProcess &gps = simulator({QStringLiteral("gps"), QStringLiteral("--rate"),
                                                 QStringLiteral("5"), QStringLiteral("--command"),
                                                 QStringLiteral("VCSET,6")});
        openSerial("gps_portBox", "openCloseButton_gps", gps);
        auto *tab = m_window.findChild<GpsTab *>();
        if (!tab || !waitFor([tab] { return tab->hasMapView() && tab->mapView()->isPageLoaded(); },
                             kStartTimeoutMs))
            fail(QStringLiteral("the map page did not load"));
        pump(6000);
        shoot(QStringLiteral("gps"));
        // The satellites and the track's controls on their own.
        const QWidget *bars = w<QWidget>("gps_snrView");
        const QWidget *lastButton = w<QWidget>("gps_clearTrack");
        const QPoint end(lastButton->width(), lastButton->height());
        const QRect part(bars->mapTo(&m_window, QPoint(0, 0)), lastButton->mapTo(&m_window, end));
        shoot(QStringLiteral("gps-sky"), part);
    }

    void netTab()
    {
        show("net_tab");
        QTabWidget *pages = w<QTabWidget>("net_tabWidget");

        pages->setCurrentIndex(0);
        const quint16 serverPort = freeTcpPort();
        w<QSpinBox>("tcp_server_port")->setValue(serverPort);
        w<QPushButton>("tcp_server_listenButton")->click();
        pump(300);
        simulator({QStringLiteral("gps"), QStringLiteral("--rate"), QStringLiteral("2"),
                   QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(serverPort)},
                  true);
        pump(2500);
        w<QPlainTextEdit>("tcp_server_sendEdit")->setPlainText(QStringLiteral("$PMTK220,500*2B"));
        w<QPushButton>("tcp_server_sendButton")->click();
        pump(1500);
        shoot(QStringLiteral("net-tcp-server"));

        pages->setCurrentIndex(1);
        const SimulatorProcess &car = simulator(
            {QStringLiteral("car"), QStringLiteral("--send"), QStringLiteral("ccd"),
             QStringLiteral("--ccd-line"), QStringLiteral("24"), QStringLiteral("--fps"),
             QStringLiteral("3"), QStringLiteral("--listen"), QStringLiteral("0")},
            true);
        w<QCheckBox>("tcp_client_recvHex_ck")->setChecked(true);
        w<CIPLineEdit>("tcp_client_ip")->setText(QStringLiteral("127.0.0.1"));
        w<QSpinBox>("tcp_client_port")->setValue(car.announcedPort());
        w<QPushButton>("tcp_client_connectButton")->click();
        pump(3000);
        shoot(QStringLiteral("net-tcp-client"));

        pages->setCurrentIndex(2);
        const quint16 udpPort = freeUdpPort();
        w<QSpinBox>("udp_localPort")->setValue(udpPort);
        w<QCheckBox>("udp_recvHex_ck")->setChecked(true);
        w<QPushButton>("udp_openButton")->click();
        pump(300);
        simulator({QStringLiteral("car"), QStringLiteral("--send"), QStringLiteral("scope"),
                   QStringLiteral("--channels"), QStringLiteral("2"), QStringLiteral("--sample-type"),
                   QStringLiteral("int16_t"), QStringLiteral("--fps"), QStringLiteral("4"),
                   QStringLiteral("--udp"), QStringLiteral("127.0.0.1:%1").arg(udpPort)},
                  true);
        pump(3000);
        shoot(QStringLiteral("net-udp"));
    }

    void tutorials()
    {
        mainTabs()->setCurrentWidget(m_infoTab);
        // The window's own tab, hidden, has a tree of the same name.
        auto *tree = m_infoTab->findChild<QTreeWidget *>(QStringLiteral("info_treeWidget"));
        if (!waitFor([tree] { return tree->topLevelItemCount() > 1; }, kStartTimeoutMs))
            fail(QStringLiteral("the tutorial index did not arrive (asked for: %1; %2 items)")
                     .arg(m_http.requests.join(QLatin1Char(' ')))
                     .arg(tree->topLevelItemCount()));
        tree->expandAll();
        QTreeWidgetItem *first = nullptr;
        for (int i = 0; i < tree->topLevelItemCount() && !first; ++i) {
            if (tree->topLevelItem(i)->childCount() > 0)
                first = tree->topLevelItem(i)->child(0);
        }
        if (!first)
            fail(QStringLiteral("no tutorial listed"));
        tree->setCurrentItem(first);
        emit tree->itemClicked(first, 0);
        pump(5000);
        shoot(QStringLiteral("tutorials"));
    }

    QString m_simulator;
    QString m_outDir;
    ScriptedDialogs m_dialogs;
    FakePorts m_ports;
    LocalHttpServer m_http;
    MainWindow m_window;
    InfoTab *m_infoTab = nullptr;
    std::vector<std::unique_ptr<SimulatorProcess>> m_sims;
};

} // namespace

int main(int argc, char *argv[])
{
    relaxWebEngineSandboxForRoot(geteuid());
    QApplication app(argc, argv);
    if (argc != 3) {
        QTextStream(stderr) << "usage: screenshot_tour ZENTRIK_SIM OUT_DIR\n";
        return 2;
    }
    QDir().mkpath(QString::fromLocal8Bit(argv[2]));
    Tour tour(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    tour.run();
    return 0;
}
