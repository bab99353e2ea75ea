#include "atcatalogue.h"

#include "translation.h"

#include <cstring>

namespace {

// The texts are marked for the translation file here and looked up when
// shown (atText). The examples are the module's own words and stay as sent.
const char kCnumExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "+CNUM: [<alpha1>],<number1>,<type1>[,<speed>,<service>]\r\n"
    "[+CNUM: [<alpha2>],<number2>,<type2>[,<speed>,<service>]\r\n"
    "[…]]\r\n"
    "OK\r\n"
    "出错时返回：+CME ERROR: <err>\r\n"
    "\r\n"
    "参数：\r\n"
    "<alphaX>  号码的名称（可选），字符集由 AT+CSCS 决定\r\n"
    "<numberX>  本机号码，字符串\r\n"
    "<typeX>  号码类型：129 为普通号码，145 为以“+”开头的国际号码\r\n"
    "<speed>  数据业务的速率（与 AT+CBST 的取值相同）\r\n"
    "<service>  号码用于哪种业务：\r\n"
    "    0 异步 modem\r\n"
    "    1 同步 modem\r\n"
    "    2 PAD 接入（异步）\r\n"
    "    3 分组接入（同步）\r\n"
    "    4 语音\r\n"
    "    5 传真\r\n"
    "\r\n"
    "号码取自 SIM 卡的本机号码簿（\"ON\"）。运营商没有写入时查询不到号码，只返回 OK，"
    "这时可以用“存储为本机号码”自己写入。");

const char kCopsExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "TA 返回当前的模式和当前选择的运营商。如果还没有选中运营商，只返回 <mode>。\r\n"
    "响应：+COPS: <mode>[,<format>, <oper>]\r\n"
    "OK\r\n"
    "出错时返回：+CME ERROR: <err>\r\n"
    "\r\n"
    "参数：\r\n"
    "<mode>  选网方式：\r\n"
    "    0 自动选择\r\n"
    "    1 手动选择\r\n"
    "    2 从网络注销\r\n"
    "    3 只设置 <format>\r\n"
    "    4 先手动选择，失败后自动选择\r\n"
    "<format>  <oper> 的写法：0 长字母格式，1 短字母格式，2 数字格式（MCC 与 MNC）\r\n"
    "<oper>  运营商，如 \"CHINA MOBILE\"；数字格式时如 \"46000\"");

const char kCpinExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "用户终端返回一个字符串，用以指示是否需要密码。\r\n"
    "响应：+CPIN: <code>\r\n"
    "OK\r\n"
    "出错时返回：+CME ERROR: <err>（例如没有插 SIM 卡）\r\n"
    "\r\n"
    "<code>：\r\n"
    "    READY  不需要密码，SIM 卡可以使用\r\n"
    "    SIM PIN  等待输入 SIM 卡的 PIN 码\r\n"
    "    SIM PUK  PIN 码多次输错被锁，等待输入 PUK 码\r\n"
    "    PH_SIM PIN  等待输入手机与 SIM 卡绑定的密码\r\n"
    "    PH_SIM PUK  等待输入解除该绑定的 PUK 码\r\n"
    "    SIM PIN2  等待输入 PIN2 码\r\n"
    "    SIM PUK2  等待输入 PUK2 码");

const char kCsqExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "+CSQ: <rssi>,<ber> \r\n"
    "OK\r\n"
    "出错时返回：+CME ERROR: <err>\r\n"
    "\r\n"
    "<rssi>  接收信号强度：\r\n"
    "    0  -115 dBm 或更弱\r\n"
    "    1  -111 dBm\r\n"
    "    2…30  -110 … -54 dBm，每级约 2 dB\r\n"
    "    31  -52 dBm 或更强\r\n"
    "    99  未知或测不出\r\n"
    "<ber>  误码率，按 GSM 05.08 第 7.2.4 节的 RXQUAL 等级：\r\n"
    "    0…7  数值越小，误码越少\r\n"
    "    99  未知或测不出\r\n"
    "\r\n"
    "<rssi> 在 10 以上时，通话和收发短信一般才可靠。");

const char kCgmiExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "TA 返回生产厂商名称 \r\n"
    "响应：<manufacturer>\r\n"
    "OK\r\n"
    "\r\n"
    "<manufacturer>  模块生产厂商的名称，字符串");

const char kCgmmExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "TA 返回模块型号 \r\n"
    "响应：<model>\r\n"
    "OK\r\n"
    "\r\n"
    "<model>  模块的型号，字符串");

const char kCgsnExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "参考命令  AT+GSN \r\n"
    "TA 返回产品序列号，即模块的 IMEI（国际移动设备识别码）。\r\n"
    "响应：<sn>\r\n"
    "OK\r\n"
    "出错时返回：+CME ERROR: <err>\r\n"
    "\r\n"
    "<sn>  IMEI，共 15 位数字：前 8 位是型号核准码，后面 6 位是序号，最后 1 位是校验位");

const char kAte1Explanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "此命令设置 TA 在命令模式下，回显从 TE 接收到的字符。 \r\n"
    "响应：OK\r\n"
    "\r\n"
    "回显开启时，模块先把收到的命令原样送回，再给出结果，便于在串口上确认模块收到了什么。"
    "模块上电后一般默认开启回显。");

const char kAte0Explanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "此命令设置 TA 在命令模式下，不回显从 TE 接收到的字符。 \r\n"
    "响应：OK\r\n"
    "\r\n"
    "回显关闭后模块只给出结果，单片机等程序解析应答时较为方便。"
    "ATE0 这条命令本身还会回显一次，因为模块收到它时回显还开着。");

const char kAtaExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "若语音呼叫连接建立成功，响应为 :\r\n"
    "OK\r\n"
    "\r\n"
    "没有来电，或者连接没有建立时，响应为：\r\n"
    "NO CARRIER\r\n"
    "\r\n"
    "有来电时模块输出 RING（用 AT+CLIP=1 开启来电号码显示后，随后再输出 "
    "+CLIP: <number>,<type>,…），这时发送 ATA 接听。通话中对方挂断时模块输出 NO CARRIER。");

const char kAthExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "通过本地 TE 挂断当前呼叫连接。 \r\n"
    "格式：ATH[<n>]\r\n"
    "响应：OK\r\n"
    "\r\n"
    "<n>  挂断哪些呼叫：\r\n"
    "    0  本通道上的全部呼叫：语音、数据、等待中的呼叫和 GPRS 连接（缺省）\r\n"
    "    1  所有通道上的全部呼叫\r\n"
    "    2  本通道上的电路交换数据呼叫\r\n"
    "    3  本通道上的 GPRS 连接\r\n"
    "    4  本通道上的电路交换呼叫（语音或数据）\r\n"
    "    5  本通道上正在等待的呼叫");

const char kAtdlExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "此命令用于重拨 ATD 上次呼叫号码。 \r\n"
    "格式：ATDL[;]  带分号为语音呼叫\r\n"
    "\r\n"
    "可能的结果码：\r\n"
    "    NO DIALTONE  没有拨号音（未注册到网络）\r\n"
    "    BUSY  对方忙\r\n"
    "    NO CARRIER  呼叫没有建立，或通话已断开\r\n"
    "    NO ANSWER  对方在规定时间内没有应答\r\n"
    "    CONNECT<text>  数据呼叫已接通，<text> 为速率等附加信息\r\n"
    "    OK  语音呼叫已发起；开启 AT+COLP=1 时，对方接听后才返回，并在前面给出 "
    "+COLP: <number>,<type>,…");

const char kAtdExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "执行命令用于建立语音、数据或传真的主叫，还可以用于控制补充业务。\r\n"
    "格式：ATD<n>[;]\r\n"
    "<n>  被叫号码，可以包含 0…9、*、#、+；号码后带分号为语音呼叫，不带分号为数据呼叫\r\n"
    "\r\n"
    "可能的结果码：\r\n"
    "    NO DIALTONE  没有拨号音（未注册到网络）\r\n"
    "    BUSY  对方忙\r\n"
    "    NO CARRIER  呼叫没有建立，或通话已断开\r\n"
    "    NO ANSWER  对方在规定时间内没有应答\r\n"
    "    CONNECT<text>  数据呼叫已接通，<text> 为速率等附加信息\r\n"
    "    OK  语音呼叫已发起；开启 AT+COLP=1 时，对方接听后才返回，并在前面给出 "
    "+COLP: <number>,<type>,…");

const char kClipExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "用户终端使能或者屏蔽 TE 上 CLIP 的显示，即有来电时是否给出主叫号码。\r\n"
    "设置命令：AT+CLIP=[<n>]\r\n"
    "响应：OK\r\n"
    "出错时返回：+CME ERROR: <err>\r\n"
    "\r\n"
    "<n>：\r\n"
    "    0  关闭：来电时只输出 RING\r\n"
    "    1  开启：每个 RING 之后输出 +CLIP: <number>,<type>[,<subaddr>,<satype>,<alpha>,"
    "<CLI validity>]\r\n"
    "\r\n"
    "查询命令 AT+CLIP? 返回 +CLIP: <n>,<m>，<m> 是网络对此业务的状态：0 未开通，1 已开通，2 未知。");

const char kColpExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "当主叫方在发起呼叫时，使用该命令可启用或禁在被叫侧显示 CLI。"
    "也就是：本机拨出（ATD）的电话接通后，是否给出实际接通的对方号码（被连接号码显示）。\r\n"
    "设置命令：AT+COLP=[<n>]\r\n"
    "响应：OK\r\n"
    "出错时返回：+CME ERROR: <err>\r\n"
    "\r\n"
    "<n>：\r\n"
    "    0  关闭\r\n"
    "    1  开启：呼叫接通后先输出 +COLP: <number>,<type>[,<subaddr>,<satype>,<alpha>]，再返回 OK\r\n"
    "\r\n"
    "查询命令 AT+COLP? 返回 +COLP: <n>,<m>，<m> 是网络对此业务的状态：\r\n"
    "    0  未开通\r\n"
    "    1  已开通\r\n"
    "    2  未知");

const char kCpmsExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "参数说明 \r\n"
    "<mem1>  读取和删除短信用的存储器（AT+CMGR、AT+CMGL、AT+CMGD）\r\n"
    "<mem2>  写入和发送短信用的存储器（AT+CMGW、AT+CMSS）\r\n"
    "<mem3>  新收到的短信存放的存储器\r\n"
    "    \"SM\" 为 SIM 卡，有的模块还有 \"ME\"（模块自身）\r\n"
    "<usedX>  该存储器里已有的短信条数\r\n"
    "<totalX>  该存储器最多能存的短信条数\r\n"
    "\r\n"
    "设置命令 AT+CPMS=<mem1>[,<mem2>[,<mem3>]] 选择存储器。");

const char kCmgrExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "命令说明\r\n"
    "AT+CMGR=<index>[,<mode>]\r\n"
    "读取存储器 <mem1>（见 AT+CPMS）中位置 <index> 上的短信。\r\n"
    "\r\n"
    "文本模式（AT+CMGF=1）下的响应：\r\n"
    "+CMGR: <stat>,<oa>,[<alpha>],<scts>[,<tooa>,<fo>,<pid>,<dcs>,<sca>,<tosca>,<length>]\r\n"
    "<data>\r\n"
    "OK\r\n"
    "\r\n"
    "参数：\r\n"
    "<index>  短信在存储器中的位置\r\n"
    "<mode>  0 正常读取（未读短信变为已读），1 不改变短信的状态\r\n"
    "<stat>  \"REC UNREAD\" 未读，\"REC READ\" 已读，\"STO UNSENT\" 未发送，\"STO SENT\" 已发送\r\n"
    "<oa>  发送方号码\r\n"
    "<scts>  短信中心收到短信的时间，格式 \"yy/MM/dd,hh:mm:ss±zz\"（zz 以 15 分钟为单位）\r\n"
    "<data>  短信内容，字符集由 AT+CSCS 决定；UCS2 时为十六进制\r\n"
    "\r\n"
    "该位置没有短信时只返回 OK；位置超出范围时返回 +CMS ERROR: <err>。");

const char kSmsExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "AT+CSCS  选择TE字符集。\r\n"
    "    AT+CSCS=\"GSM\" 即选择GSM 7位缺省字符集(3GPP TS 23.038)。\r\n"
    "\r\n"
    "AT+CMGF  选择短消息格式。\r\n"
    "    AT+CMGF=1 选择文本模式；AT+CMGF=0 选择 PDU 模式。\r\n"
    "\r\n"
    "AT+CMGS  发送短消息。\r\n"
    "    1)文本模式(+CMGF=1):+CMGS=<da>[,<toda>]<CR>text is entered<ctrl-Z/ESC> 。"
    "其中，ESC 退出发送，ctrl-Z确认发送 \r\n"
    "\r\n"
    "    2)PDU模式(+CMGF=0):+CMGS=<length><CR>PDU is given<ctrl-Z/ESC> ");

const char kGprsInitExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "依次发送以下命令，每条之间停顿 100 毫秒：\r\n"
    "AT+CGCLASS=\"B\"  移动台类别设为 B：可以附着 GPRS，也能接打电话（两者不同时进行）\r\n"
    "AT+CGDCONT=1,\"IP\",\"CMNET\"  定义 PDP 上下文 1：协议 IP，接入点名称（APN）CMNET\r\n"
    "AT+CGATT=1  附着 GPRS 网络；查询 AT+CGATT? 返回 +CGATT: 1 表示已附着\r\n"
    "AT+CIPCSGP=1,\"CMNET\"  连接方式设为 GPRS，APN 为 CMNET（其后还可以给出用户名和密码）\r\n"
    "\r\n"
    "每条命令成功时返回 OK，失败时返回 ERROR。");

const char kGprsLinkExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "AT+CLPORT=<mode>,<port>  设置本机端口，<mode> 为 \"TCP\" 或 \"UDP\"\r\n"
    "AT+CIPSTART=<mode>,<IP address>,<port>  与服务器建立连接\r\n"
    "\r\n"
    "响应：先返回 OK，连接建立后再返回 CONNECT OK；\r\n"
    "已经有连接时返回 ALREADY CONNECT，连接失败时返回 CONNECT FAIL。\r\n"
    "两条命令之间停顿 100 毫秒。");

const char kCipcloseExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "AT+CIPCLOSE=<n>  关闭当前的 TCP 或 UDP 连接\r\n"
    "<n>  0 慢关闭（缺省），1 快关闭\r\n"
    "\r\n"
    "响应：CLOSE OK；没有连接时返回 ERROR。");

const char kCipshutExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "AT+CIPSHUT  关闭移动场景：断开全部连接，释放 GPRS 的 PDP 上下文，回到初始状态\r\n"
    "\r\n"
    "响应：SHUT OK");

const char kCipstatusExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "AT+CIPSTATUS  查询当前的连接状态\r\n"
    "响应：OK，其后是 STATE: <state>\r\n"
    "\r\n"
    "<state>  常见的取值：\r\n"
    "    IP INITIAL  初始状态\r\n"
    "    IP START / IP CONFIG / IP GPRSACT  正在启动和激活移动场景\r\n"
    "    IP STATUS  已取得本机 IP 地址\r\n"
    "    TCP CONNECTING / UDP CONNECTING  正在连接\r\n"
    "    CONNECT OK  连接已建立\r\n"
    "    TCP CLOSED / UDP CLOSED  连接已关闭\r\n"
    "    PDP DEACT  移动场景已被释放");

const char kCipsendExplanation[] = QT_TRANSLATE_NOOP("MainWindow",
    "AT+CIPSEND  通过已建立的连接发送数据\r\n"
    "模块返回提示符 \"> \" 后送入数据，以 ctrl-Z（0x1A）结束并发送，ESC 取消发送。\r\n"
    "本页先发 AT+CIPSEND，停顿 100 毫秒，再把数据和结尾的 0x1A 一次送出。\r\n"
    "\r\n"
    "响应：SEND OK 发送成功，SEND FAIL 发送失败；没有连接时返回 ERROR。");

const char kDialExample[] = "+COLP: \"10086\",129,\"\",0,\"y@R@[@g\"\r\n\r\nOK";
const char kLinkExample[] = "OK\r\n\r\nCONNECT OK";

QVector<AtCatalogueEntry> buildCatalogue()
{
    return {
        {"gsm_CNUMButton", "AT+CNUM\r",
         {QT_TRANSLATE_NOOP("MainWindow", "AT+CNUM 本机号码"),
          "+CNUM: \"\",\"150xxxxxxxx\",129,7,4\r\n\r\nOK", kCnumExplanation}},
        {"gsm_COPSButton", "AT+COPS?\r",
         {QT_TRANSLATE_NOOP("MainWindow", "AT+COPS?  查询运营商"),
          "+COPS: 0,0,\"CHINA MOBILE\"\r\nOK", kCopsExplanation}},
        {"gsm_CPINButton", "AT+CPIN?\r",
         {QT_TRANSLATE_NOOP("MainWindow", "AT+CPIN? 查询SIM卡的PIN码"),
          "+CPIN: READY\r\nOK", kCpinExplanation}},
        {"gsm_CSQButton", "AT+CSQ\r",
         {QT_TRANSLATE_NOOP("MainWindow", "AT+CSQ  信号质量查询"),
          "+CSQ: 16,0\r\nOK", kCsqExplanation}},
        {"gsm_CGMIButton", "AT+CGMI\r",
         {QT_TRANSLATE_NOOP("MainWindow", "AT+CGMI    查询制造商名称"),
          "SIMCOM_Ltd\r\nOK", kCgmiExplanation}},
        {"gsm_CGMMButton", "AT+CGMM\r",
         {QT_TRANSLATE_NOOP("MainWindow", "AT+CGMM  查询模块型号"),
          "SIMCOM_SIM900A\r\nOK", kCgmmExplanation}},
        {"gsm_CGSNButton", "AT+CGSN\r",
         {QT_TRANSLATE_NOOP("MainWindow", "AT+CGSN 查询产品序列号"),
          "862118028960xxx\r\nOK", kCgsnExplanation}},
        {"gsm_ATE1Button", "ATE1\r",
         {QT_TRANSLATE_NOOP("MainWindow", "ATE1 开启回显"), "", kAte1Explanation}},
        {"gsm_ATE0Button", "ATE0\r",
         {QT_TRANSLATE_NOOP("MainWindow", "ATE0 关闭回显"), "", kAte0Explanation}},
        {"gsm_answerButton", "ATA\r",
         {QT_TRANSLATE_NOOP("MainWindow", "ATA    呼叫应答"), "OK", kAtaExplanation}},
        {"gsm_hangoffButton", "ATH\r",
         {QT_TRANSLATE_NOOP("MainWindow", "ATH    挂机控制"), "OK", kAthExplanation}},
        {"gsm_ATDLButton", "ATDL\r",
         {QT_TRANSLATE_NOOP("MainWindow", "ATDL  重拨上次呼叫号码"),
          kDialExample, kAtdlExplanation}},
        {"gsm_CLIP1Button", "AT+CLIP=1\r",
         {QT_TRANSLATE_NOOP("MainWindow", "AT+CLIP  设置指示来电号码"), "OK", kClipExplanation}},
        {"gsm_CLIP0Button", "AT+CLIP=0\r",
         {QT_TRANSLATE_NOOP("MainWindow", "AT+CLIP  设置指示来电号码"), "OK", kClipExplanation}},
        {"gsm_COLP1Button", "AT+COLP=1\r",
         {QT_TRANSLATE_NOOP("MainWindow", "AT+COLP    设置被叫号码显示"), "OK", kColpExplanation}},
        {"gsm_COLP0Button", "AT+COLP=0\r",
         {QT_TRANSLATE_NOOP("MainWindow", "AT+COLP    设置被叫号码显示"), "OK", kColpExplanation}},
        {"gsm_querysmsButton", "AT+CPMS?\r",
         {QT_TRANSLATE_NOOP("MainWindow", "AT+CPMS  优选消息存储器"),
          "+CPMS:<mem1>,<used1>,<total1>,<mem2>,<used2>,<total2>,<mem3>,<used3>,<total3>\nOK ",
          kCpmsExplanation}},
        {"gsm_IPlinkclose", "AT+CIPCLOSE=1\r",
         {QT_TRANSLATE_NOOP("MainWindow", "AT+CIPCLOSE  关闭连接"),
          "CLOSE OK", kCipcloseExplanation}},
        {"gsm_CIPSHUTButton", "AT+CIPSHUT\r",
         {QT_TRANSLATE_NOOP("MainWindow", "AT+CIPSHUT  关闭移动场景"),
          "SHUT OK", kCipshutExplanation}},
        {"gsm_CIPSTATUSButton", "AT+CIPSTATUS\r",
         {QT_TRANSLATE_NOOP("MainWindow", "AT+CIPSTATUS  查询连接状态"),
          "OK\r\n\r\nSTATE: CONNECT OK", kCipstatusExplanation}},

        {"gsm_callButton", {},
         {QT_TRANSLATE_NOOP("MainWindow", "ATD    移动台呼叫某一号码"),
          kDialExample, kAtdExplanation}},
        {"gsm_readsmsButton",
         {},
         {QT_TRANSLATE_NOOP("MainWindow", "AT+CMGR  读取短消息"),
          "+CMGR: \"REC UNREAD\", \"+86139xxxxxxxx\", ,,\"02/01/30,20:40:31+00\" This is a test "
          "\n\r \n\rOK\n\r",
          kCmgrExplanation}},
        {"gsm_sendsmsButton", {}, {"", "", kSmsExplanation}},
        {"gsm_IPinit", {},
         {QT_TRANSLATE_NOOP("MainWindow", "GPRS初始化"), "OK", kGprsInitExplanation}},
        {"gsm_TCPIPlink", {},
         {QT_TRANSLATE_NOOP("MainWindow", "AT+CIPSTART  建立TCP连接"),
          kLinkExample, kGprsLinkExplanation}},
        {"gsm_UDPIPlink", {},
         {QT_TRANSLATE_NOOP("MainWindow", "AT+CIPSTART  建立UDP连接"),
          kLinkExample, kGprsLinkExplanation}},
        {"gsm_GPRSsend", {},
         {QT_TRANSLATE_NOOP("MainWindow", "AT+CIPSEND  发送数据"),
          "> hello\r\nSEND OK", kCipsendExplanation}},
    };
}

} // namespace

const QVector<AtCatalogueEntry> &atCatalogue()
{
    static const QVector<AtCatalogueEntry> catalogue = buildCatalogue();
    return catalogue;
}

const AtCatalogueEntry &atCatalogueEntry(const char *key)
{
    for (const AtCatalogueEntry &entry : atCatalogue()) {
        if (std::strcmp(entry.key, key) == 0)
            return entry;
    }
    qFatal("no catalogue entry %s", key);
}

QString atText(const char *text)
{
    return mainTr(text);
}
