<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>CameraView</name>
    <message>
        <location filename="../car/cameraview.ui" line="+12"/>
        <source>图像配置</source>
        <translation>Image</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>宽</source>
        <translation>W</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>高</source>
        <translation>H</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>先高后低</source>
        <translation>MSB first</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>先低后高</source>
        <translation>LSB first</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>1黑0白</source>
        <translation>1 black 0 white</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>0黑1白</source>
        <translation>0 black 1 white</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>保存文件</source>
        <translation>Save file</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>阈值</source>
        <translation>Threshold</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>平均值：</source>
        <translation>Average:</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>中间值：</source>
        <translation>Median:</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>RGB565小端</source>
        <translation>RGB565 little-endian</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>RGB565大端</source>
        <translation>RGB565 big-endian</translation>
    </message>
</context>
<context>
    <name>CarTab</name>
    <message>
        <location filename="../car/cartab.ui" line="+12"/>
        <source>串口</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <location line="+5"/>
        <location line="+217"/>
        <source>TCP服务器</source>
        <translation>TCP server</translation>
    </message>
    <message>
        <location line="-212"/>
        <location line="+301"/>
        <source>TCP客户端</source>
        <translation>TCP client</translation>
    </message>
    <message>
        <location line="-296"/>
        <location line="+435"/>
        <source>UDP</source>
        <translation>UDP</translation>
    </message>
    <message>
        <location line="-405"/>
        <source>串口设置</source>
        <translation>Serial settings</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>数据位</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>校验位</source>
        <translation>Parity</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>停止位</source>
        <translation>Stop bits</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>打开串口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>断开不提示出错</source>
        <translation>No unplug alerts</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>出错重连</source>
        <translation>Reconnect</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>流控</source>
        <translation>Flow control</translation>
    </message>
    <message>
        <location line="+56"/>
        <location line="+228"/>
        <source>本地端口</source>
        <translation>Local port</translation>
    </message>
    <message>
        <location line="-208"/>
        <location line="+228"/>
        <source>监听范围</source>
        <translation>Listen on</translation>
    </message>
    <message>
        <location line="-218"/>
        <source>开始监听</source>
        <translation>Listen</translation>
    </message>
    <message>
        <location line="+59"/>
        <source>服务器地址</source>
        <translation>Server address</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>IP地址</source>
        <translation>IP address</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>主机名</source>
        <translation>Host name</translation>
    </message>
    <message>
        <location line="+56"/>
        <source>例如 localhost</source>
        <translation>e.g. localhost</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>服务器端口</source>
        <translation>Server port</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <location line="+69"/>
        <source>绑定</source>
        <translation>Bind</translation>
    </message>
    <message>
        <location line="+43"/>
        <source>数据协议</source>
        <translation>Protocol</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>智能车协议</source>
        <translation>Car protocol</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>文本行</source>
        <translation>Text lines</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>JustFloat</source>
        <translation>JustFloat</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>自定义帧</source>
        <translation>Custom frames</translation>
    </message>
    <message>
        <location line="+35"/>
        <source>摄像头</source>
        <translation>Camera</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>线性CCD</source>
        <translation>Linear CCD</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>虚拟示波器</source>
        <translation>Oscilloscope</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>参数调节</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>阶跃响应</source>
        <translation>Step response</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>帧格式</source>
        <translation>Frame format</translation>
    </message>
</context>
<context>
    <name>CcdView</name>
    <message>
        <location filename="../car/ccdview.ui" line="+11"/>
        <source>CCD数目：</source>
        <translation>CCDs:</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>线宽度：</source>
        <translation>Line width:</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>二值化依据</source>
        <translation>Threshold on</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>灰度值</source>
        <translation>Grey value</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>差分波形值</source>
        <translation>Difference</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>线性CCD1</source>
        <translation>Linear CCD1</translation>
    </message>
    <message>
        <location line="+27"/>
        <location line="+115"/>
        <source>255</source>
        <translation>255</translation>
    </message>
    <message>
        <location line="-93"/>
        <location line="+115"/>
        <source>128</source>
        <translation>128</translation>
    </message>
    <message>
        <location line="-106"/>
        <location line="+115"/>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <location line="-104"/>
        <location line="+115"/>
        <source>最大灰度值：</source>
        <translation>Max grey:</translation>
    </message>
    <message>
        <location line="-108"/>
        <location line="+115"/>
        <source>最小灰度值：</source>
        <translation>Min grey:</translation>
    </message>
    <message>
        <location line="-108"/>
        <location line="+115"/>
        <source>平均灰度值：</source>
        <translation>Mean grey:</translation>
    </message>
    <message>
        <location line="-108"/>
        <location line="+115"/>
        <source>最大差分值：</source>
        <translation>Max difference:</translation>
    </message>
    <message>
        <location line="-90"/>
        <source>线性CCD2</source>
        <translation>Linear CCD2</translation>
    </message>
    <message>
        <location line="+117"/>
        <source>轨迹记录</source>
        <translation>Track record</translation>
    </message>
</context>
<context>
    <name>FrameView</name>
    <message>
        <location filename="../scope/frameview.ui" line="+13"/>
        <source>帧格式描述（JSON）</source>
        <translation>Frame format description (JSON)</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>打开…</source>
        <translation>Open…</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>保存…</source>
        <translation>Save…</translation>
    </message>
    <message>
        <location line="+82"/>
        <source>在用的帧格式</source>
        <translation>Frame format in use</translation>
    </message>
    <message>
        <location line="-55"/>
        <source>试读一帧（16进制）</source>
        <translation>Try a frame (hex)</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>粘贴一帧，例如 AA 55 0C 01 …</source>
        <translation>Paste a frame, e.g. AA 55 0C 01 …</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>最近的正确帧</source>
        <translation>Last good frame</translation>
    </message>
</context>
<context>
    <name>GpsTab</name>
    <message>
        <location filename="../gps/gpstab.ui" line="+12"/>
        <source>串口</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <location line="+5"/>
        <location line="+187"/>
        <source>TCP服务器</source>
        <translation>TCP server</translation>
    </message>
    <message>
        <location line="-157"/>
        <source>串口设置</source>
        <translation>Serial settings</translation>
    </message>
    <message>
        <location line="+12"/>
        <location line="+151"/>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <location line="-131"/>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>数据位</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>校验位</source>
        <translation>Parity</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>停止位</source>
        <translation>Stop bits</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>打开串口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>流控</source>
        <translation>Flow control</translation>
    </message>
    <message>
        <location line="+63"/>
        <source>6000</source>
        <translation>6000</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>监听范围</source>
        <translation>Listen on</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>监听</source>
        <translation>Listen</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>定位信息</source>
        <translation>Position</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>纬度</source>
        <translation>Latitude</translation>
    </message>
    <message>
        <location line="+13"/>
        <location line="+16"/>
        <location line="+23"/>
        <location line="+16"/>
        <location line="+23"/>
        <location line="+23"/>
        <location line="+23"/>
        <location line="+23"/>
        <location line="+23"/>
        <location line="+16"/>
        <location line="+23"/>
        <location line="+23"/>
        <location line="+23"/>
        <location line="+23"/>
        <location line="+114"/>
        <location line="+17"/>
        <location line="+17"/>
        <location line="+17"/>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <location line="-417"/>
        <source>经度</source>
        <translation>Longitude</translation>
    </message>
    <message>
        <location line="+39"/>
        <source>UTC日期</source>
        <translation>UTC date</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>UTC时间</source>
        <translation>UTC time</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>北京日期</source>
        <translation>UTC+8 date</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>北京时间</source>
        <translation>UTC+8 time</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <location line="+39"/>
        <source>海拔</source>
        <translation>Altitude</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>使用卫星</source>
        <translation>Satellites used</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>可见卫星</source>
        <translation>Satellites in view</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>定位状态</source>
        <translation>Fix</translation>
    </message>
    <message>
        <location line="+58"/>
        <source>16进制显示</source>
        <translation>Show hex</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <location line="+106"/>
        <source>定位质量</source>
        <translation>Fix quality</translation>
    </message>
    <message>
        <location line="+44"/>
        <source>导出轨迹</source>
        <translation>Export track</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>清除轨迹</source>
        <translation>Clear track</translation>
    </message>
</context>
<context>
    <name>GsmTab</name>
    <message>
        <location filename="../gsm/gsmtab.ui" line="+11"/>
        <source>串口设置</source>
        <translation>Serial settings</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>数据位</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>校验位</source>
        <translation>Parity</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>停止位</source>
        <translation>Stop bits</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>打开串口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>流控</source>
        <translation>Flow control</translation>
    </message>
    <message>
        <location line="+34"/>
        <source>常用功能</source>
        <translation>Common</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>本机号码</source>
        <translation>Own number</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>SIM营运商</source>
        <translation>Operator</translation>
    </message>
    <message>
        <location line="+3"/>
        <source> 返回当前的模式和当前选择的运营商。如果没有运营商</source>
        <translation>Returns the current mode and the selected operator, if any</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>SIM状态</source>
        <translation>SIM status</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>SIM信号强度</source>
        <translation>Signal</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>模块制造商</source>
        <translation>Maker</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>模块型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>模块IMEI号</source>
        <translation>IMEI</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>开启回显</source>
        <translation>Echo on</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>关闭回显</source>
        <translation>Echo off</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>接收消息</source>
        <translation>Received</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>16进制显示</source>
        <translation>Show hex</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>显示时间戳</source>
        <translation>Time stamps</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>清接收区</source>
        <translation>Clear</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>接收数据到文件:</source>
        <translation>Receive to file:</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>历史发送消息记录</source>
        <translation>Sent commands</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;常见十六进制与按键对应关系：&lt;/p&gt;&lt;p&gt;0x1A == ctrl-Z &lt;/p&gt;&lt;p&gt;0x1B == ESC &lt;/p&gt;&lt;p&gt;0x0D == CR (即C语言里的&apos;\r&apos;) &lt;/p&gt;&lt;p&gt;0x0A == Enter (即C语言里的&apos;\n&apos;)&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;Common hex codes and keys:&lt;/p&gt;&lt;p&gt;0x1A == ctrl-Z &lt;/p&gt;&lt;p&gt;0x1B == ESC &lt;/p&gt;&lt;p&gt;0x0D == CR (&apos;\r&apos; in C) &lt;/p&gt;&lt;p&gt;0x0A == Enter (&apos;\n&apos; in C)&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>清接历史发送</source>
        <translation>Clear log</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>手动发送</source>
        <translation>Manual send</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>单项发送</source>
        <translation>Single</translation>
    </message>
    <message>
        <location line="+18"/>
        <location line="+56"/>
        <location line="+20"/>
        <location line="+20"/>
        <location line="+20"/>
        <location line="+20"/>
        <location line="+20"/>
        <location line="+20"/>
        <location line="+20"/>
        <location line="+378"/>
        <source>hex</source>
        <translation>hex</translation>
    </message>
    <message>
        <location line="-567"/>
        <location line="+208"/>
        <location line="+366"/>
        <source>发送新行</source>
        <translation>New line</translation>
    </message>
    <message>
        <location line="-567"/>
        <location line="+208"/>
        <source>发送完自动清空</source>
        <translation>Clear after send</translation>
    </message>
    <message>
        <location line="-205"/>
        <source>输入内容都直接发送出去</source>
        <translation>Whatever is typed is sent as it is</translation>
    </message>
    <message>
        <location line="+11"/>
        <location line="+38"/>
        <location line="+20"/>
        <location line="+20"/>
        <location line="+20"/>
        <location line="+20"/>
        <location line="+20"/>
        <location line="+20"/>
        <location line="+20"/>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <location line="-171"/>
        <source>清发送区</source>
        <translation>Clear</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>多项发送</source>
        <translation>Presets</translation>
    </message>
    <message>
        <location line="+12"/>
        <location line="+20"/>
        <location line="+20"/>
        <location line="+20"/>
        <location line="+20"/>
        <location line="+20"/>
        <location line="+20"/>
        <location line="+20"/>
        <source>16进制发送</source>
        <translation>Send hex</translation>
    </message>
    <message>
        <location line="+43"/>
        <source>电话功能</source>
        <translation>Phone</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>手机号码:</source>
        <translation>Number:</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>112</source>
        <translation>112</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>免费电话：112</source>
        <translation>Free call: 112</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>存储为本机号码</source>
        <translation>Store as own number</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>打电话</source>
        <translation>Call</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>接听电话</source>
        <translation>Answer</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>挂断电话</source>
        <translation>Hang up</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>重拨</source>
        <translation>Redial</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>设置拨号显示</source>
        <translation>Show called line</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>关闭拨号显示</source>
        <translation>Hide called line</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>设置来电显示</source>
        <translation>Show caller</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>关闭来电显示</source>
        <translation>Hide caller</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>短信内容:</source>
        <translation>SMS text:</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>hello world!</source>
        <translation>hello world!</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>发短信</source>
        <translation>Send SMS</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>查询短信容量</source>
        <translation>SMS storage</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>位置:</source>
        <translation>Slot:</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>读短信</source>
        <translation>Read SMS</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>调节音量</source>
        <translation>Volume</translation>
    </message>
    <message>
        <location line="+26"/>
        <source>无效</source>
        <translation>None</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>上网功能</source>
        <translation>GPRS</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>GPRS初始化</source>
        <translation>GPRS setup</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>查询连接状态</source>
        <translation>Link status</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>关闭移动场景</source>
        <translation>Shut down</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>服务器IP:</source>
        <translation>Server IP:</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>服务器端口:</source>
        <translation>Server port:</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>本地端口:</source>
        <translation>Local port:</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>建立TCP连接</source>
        <translation>Open TCP link</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>建立UDP连接</source>
        <translation>Open UDP link</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>关闭连接</source>
        <translation>Close link</translation>
    </message>
    <message>
        <location line="+42"/>
        <source>发送数据</source>
        <translation>Send data</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>编码转换</source>
        <translation>Encoding</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>中文:</source>
        <translation>Text:</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>中文转UCS2 &gt;&gt;</source>
        <translation>Text to UCS2 &gt;&gt;</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>&lt;&lt; UCS2转中文</source>
        <translation>&lt;&lt; UCS2 to text</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>UCS2:</source>
        <translation>UCS2:</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>字符串:</source>
        <translation>Text:</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>字符串转16进制 &gt;&gt;</source>
        <translation>Text to hex &gt;&gt;</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>&lt;&lt; 16进制转字符串</source>
        <translation>&lt;&lt; Hex to text</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>16进制:</source>
        <translation>Hex:</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>常见命令解析</source>
        <translation>Command explained</translation>
    </message>
</context>
<context>
    <name>InfoTab</name>
    <message>
        <location filename="../online/infotab.ui" line="+28"/>
        <source>教程</source>
        <translation>Tutorials</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>使用说明</source>
        <translation>User guide</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>重试</source>
        <translation>Retry</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <location filename="../app/mainwindow.cpp" line="+98"/>
        <source>串口调试助手</source>
        <translation>Serial Terminal</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>智能车助手</source>
        <translation>Smart Car</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>GSM调试助手</source>
        <translation>GSM</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>GPS定位系统</source>
        <translation>GPS</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>网络调试助手</source>
        <translation>Network</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>智能车制作教程</source>
        <translation>Tutorials</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>跟随系统</source>
        <translation>Follow the system</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>无法保存语言设置：%1</source>
        <translation>Could not save the language setting: %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>语言将在程序下次启动时切换。</source>
        <translation>The language changes at the next start.</translation>
    </message>
    <message>
        <location line="+109"/>
        <source>设置无法保存到 %1</source>
        <translation>The settings could not be saved to %1</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>设置无法保存到 %1：%2</source>
        <translation>The settings could not be saved to %1: %2</translation>
    </message>
    <message>
        <location filename="../common/widgetdialogs.cpp" line="+42"/>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+27"/>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location filename="../common/programinfo.cpp" line="+18"/>
        <source>Zentrik多功能调试助手</source>
        <translation>Zentrik Assistant </translation>
    </message>
    <message>
        <location filename="../common/webmodule.cpp" line="+71"/>
        <source>找不到网页模块%1</source>
        <translation>Web module %1 not found</translation>
    </message>
    <message>
        <location filename="../link/socketerror.cpp" line="+9"/>
        <source>连接被拒绝：对方没有在该端口监听</source>
        <translation>Connection refused: nothing listens on that port</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../link/tcpclientlink.cpp" line="+91"/>
        <source>对方已断开连接</source>
        <translation>The peer closed the connection</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>找不到主机：地址或主机名有误</source>
        <translation>Host not found: wrong address or host name</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>没有权限使用该端口</source>
        <translation>No permission to use this port</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>连接超时</source>
        <translation>Connection timed out</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>网络不可达</source>
        <translation>Network unreachable</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>端口已被占用</source>
        <translation>Port already in use</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>本机没有这个地址</source>
        <translation>This machine has no such address</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>网络错误：%1</source>
        <translation>Network error: %1</translation>
    </message>
    <message>
        <location filename="../link/tcpclientlink.cpp" line="-55"/>
        <source>请填写服务器地址和端口</source>
        <translation>Enter the server address and port</translation>
    </message>
    <message>
        <location filename="../link/udplink.cpp" line="+72"/>
        <source>请填写目标地址和端口</source>
        <translation>Enter the target address and port</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>找不到主机：%1</source>
        <translation>Host not found: %1</translation>
    </message>
    <message>
        <location filename="../console/receivefileswitch.cpp" line="+45"/>
        <location filename="../scope/scopeview.cpp" line="+644"/>
        <source>保存文件</source>
        <translation>Save file</translation>
    </message>
    <message>
        <location line="+1"/>
        <location filename="../uart/uarttab.cpp" line="+518"/>
        <source>所有文件(*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <location filename="../car/cartab.cpp" line="+512"/>
        <location filename="../console/receivefileswitch.cpp" line="+10"/>
        <location filename="../gsm/gsmtab.cpp" line="+340"/>
        <location filename="../online/selfupdater.cpp" line="+106"/>
        <location filename="../uart/uarttab.cpp" line="+15"/>
        <source>询问</source>
        <translation>Question</translation>
    </message>
    <message>
        <location filename="../console/receivefileswitch.cpp" line="+1"/>
        <source>文件非空，是否追加？

确定则追加（保留原数据）,取消则覆盖（清空原数据）</source>
        <translation>The file is not empty. Append to it?

OK appends (keeps the data), Cancel overwrites (clears the data)</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>打开文件失败</source>
        <translation>Could not open the file</translation>
    </message>
    <message>
        <location filename="../app/mainwindow.cpp" line="-116"/>
        <location line="+111"/>
        <location line="+4"/>
        <location filename="../capture/capturecontrols.cpp" line="+144"/>
        <location line="+32"/>
        <location line="+21"/>
        <location line="+6"/>
        <location filename="../car/cameraview.cpp" line="+130"/>
        <location line="+49"/>
        <location filename="../car/cartab.cpp" line="+50"/>
        <location filename="../car/paramview.cpp" line="+617"/>
        <location line="+20"/>
        <location filename="../car/stepview.cpp" line="+356"/>
        <location filename="../console/receivefileswitch.cpp" line="+14"/>
        <location line="+28"/>
        <location filename="../gps/gpstab.cpp" line="+394"/>
        <location filename="../gsm/gsmtab.cpp" line="+18"/>
        <location line="+29"/>
        <location line="+45"/>
        <location filename="../scope/frameview.cpp" line="+328"/>
        <location line="+6"/>
        <location line="+25"/>
        <location filename="../scope/scopecsv.cpp" line="+376"/>
        <location line="+4"/>
        <location line="+32"/>
        <location filename="../scope/scopeview.cpp" line="-503"/>
        <location line="+511"/>
        <location line="+19"/>
        <location line="+15"/>
        <location line="+41"/>
        <location line="+399"/>
        <location filename="../source/sourceselector.cpp" line="+296"/>
        <location filename="../uart/uarttab.cpp" line="-120"/>
        <location line="+121"/>
        <location line="+5"/>
        <location line="+17"/>
        <location line="+5"/>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <location filename="../console/receivefileswitch.cpp" line="-28"/>
        <location line="+8"/>
        <source>写入文件失败</source>
        <translation>Could not write the file</translation>
    </message>
    <message>
        <location filename="../source/serialportpanel.cpp" line="+75"/>
        <source>制造商：%1</source>
        <translation>Manufacturer: %1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>序列号：%1</source>
        <translation>Serial number: %1</translation>
    </message>
    <message>
        <location filename="../car/cartab.cpp" line="-19"/>
        <location filename="../source/serialportpanel.cpp" line="+50"/>
        <location line="+19"/>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <location filename="../source/serialportpanel.cpp" line="-18"/>
        <source>奇校验</source>
        <translation>Odd</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>偶校验</source>
        <translation>Even</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>硬件</source>
        <translation>Hardware</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>软件</source>
        <translation>Software</translation>
    </message>
    <message>
        <location line="+135"/>
        <source>串口不接受这种流控：
%1</source>
        <translation>The serial port does not accept this flow control:
%1</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>无法设置 %1 信号（此端口可能没有该信号线）：
%2</source>
        <translation>Cannot set the %1 signal (this port may not have that line):
%2</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>波特率“%1”无效：请输入 1 到 %2 之间的整数。</source>
        <translation>Baud rate “%1” is not valid: enter a whole number from 1 to %2.</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>端口不接受波特率 %1 或其他设置，端口未打开：
%2</source>
        <translation>The port does not accept baud rate %1 or another setting; the port was not opened:
%2</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>打开端口失败：
端口不存在;</source>
        <translation>Could not open the port:
no such port;</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>打开端口失败，可能的原因：
1.端口不存在;
2.端口被占用;
3.端口已卸载</source>
        <translation>Could not open the port. Possible causes:
1. no such port;
2. the port is in use;
3. the port was removed</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>端口已卸载！</source>
        <translation>The port was removed!</translation>
    </message>
    <message>
        <location line="+38"/>
        <source>设备以新名称 %2 重新出现（原为 %1），已重新打开。</source>
        <translation>The device came back as %2 (was %1) and has been reopened.</translation>
    </message>
    <message>
        <location line="+86"/>
        <source>关闭串口</source>
        <translation>Close port</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>打开串口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <location filename="../gps/gpstab.cpp" line="-27"/>
        <location filename="../gsm/gsmtab.cpp" line="-113"/>
        <location line="+34"/>
        <location line="+59"/>
        <location filename="../online/selfupdater.cpp" line="-63"/>
        <location line="+90"/>
        <location filename="../source/networksourcepanel.cpp" line="+123"/>
        <location filename="../source/serialportpanel.cpp" line="+10"/>
        <source>出错啦！</source>
        <translation>Error!</translation>
    </message>
    <message>
        <location filename="../uart/uarttab.cpp" line="-421"/>
        <source>1.每次发送字节数设为0时表示连续发送整个文件。
2.发送间隔时间设为0时表示连续发送整个文件。
3.支持回显功能。
</source>
        <translation>1. 0 bytes per send sends the whole file at once.
2. An interval of 0 sends the whole file at once.
3. Echo works here too.
</translation>
    </message>
    <message>
        <location line="+296"/>
        <source>接收区：共接收%1字节，速度%2字节/秒。共发送%3字节。</source>
        <translation>Receive: %1 bytes received, %2 bytes/s. %3 bytes sent.</translation>
    </message>
    <message>
        <location filename="../console/sendarea.cpp" line="+155"/>
        <location filename="../gps/gpstab.cpp" line="-284"/>
        <location filename="../scope/scopeview.cpp" line="-168"/>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>循环发送</source>
        <translation>Cycle</translation>
    </message>
    <message>
        <location line="+72"/>
        <source>已忽略非十六进制内容：%1</source>
        <translation>Left out, not hex: %1</translation>
    </message>
    <message>
        <location filename="../scope/scopeview.cpp" line="-281"/>
        <location filename="../uart/uarttab.cpp" line="+81"/>
        <source>选择文件</source>
        <translation>Choose file</translation>
    </message>
    <message>
        <location filename="../uart/uarttab.cpp" line="+16"/>
        <source>文件不存在，是否重新选择文件</source>
        <translation>The file does not exist. Choose another?</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+5"/>
        <source>文件不存在，取消发送</source>
        <translation>The file does not exist; nothing sent</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>打开文件失败，取消发送</source>
        <translation>Could not open the file; nothing sent</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>文件为空，取消发送</source>
        <translation>The file is empty; nothing sent</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>已发送%1/%2字节</source>
        <translation>Sent %1/%2 bytes</translation>
    </message>
    <message>
        <location filename="../car/cameraview.cpp" line="-118"/>
        <source>二值化图像</source>
        <translation>Binary image</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>灰度图像</source>
        <translation>Grey image</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>彩色图像</source>
        <translation>Colour image</translation>
    </message>
    <message>
        <location line="+11"/>
        <location line="+54"/>
        <source>保存图像</source>
        <translation>Save image</translation>
    </message>
    <message>
        <location line="-52"/>
        <source>保存每帧</source>
        <translation>Save every frame</translation>
    </message>
    <message>
        <location line="+49"/>
        <source>还没有图像</source>
        <translation>No image yet</translation>
    </message>
    <message>
        <location line="+5"/>
        <location line="+13"/>
        <source>PNG图像 (*.png)</source>
        <translation>PNG images (*.png)</translation>
    </message>
    <message>
        <location line="-11"/>
        <location line="+49"/>
        <source>图像保存失败：%1</source>
        <translation>Saving the image failed: %1</translation>
    </message>
    <message>
        <location line="-40"/>
        <source>保存每帧图像</source>
        <translation>Save every frame to</translation>
    </message>
    <message>
        <location filename="../car/cartab.cpp" line="-468"/>
        <source>图像类型</source>
        <translation>Image type</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>图像宽</source>
        <translation>Image width</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>图像高</source>
        <translation>Image height</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>二值化高位在前</source>
        <translation>Binary, high bit first</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>二值化1黑0白</source>
        <translation>Binary, 1 black 0 white</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>RGB565高字节在前</source>
        <translation>RGB565, high byte first</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>CCD数目</source>
        <translation>CCD count</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>线宽度</source>
        <translation>Line width</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>波形数目</source>
        <translation>Channel count</translation>
    </message>
    <message>
        <location line="+1"/>
        <location filename="../scope/frameview.cpp" line="-254"/>
        <source>数据类型</source>
        <translation>Data type</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>数据协议</source>
        <translation>Protocol</translation>
    </message>
    <message>
        <location line="+1"/>
        <location filename="../scope/frameview.cpp" line="+243"/>
        <location filename="../uart/uarttab.cpp" line="-317"/>
        <source>帧格式</source>
        <translation>Frame format</translation>
    </message>
    <message>
        <location line="+155"/>
        <location filename="../net/tcpserverpage.cpp" line="+56"/>
        <source>开始监听</source>
        <translation>Listen</translation>
    </message>
    <message>
        <location line="+0"/>
        <location filename="../net/tcpserverpage.cpp" line="+0"/>
        <source>停止监听</source>
        <translation>Stop listening</translation>
    </message>
    <message>
        <location line="+1"/>
        <location filename="../gps/gpstab.cpp" line="+0"/>
        <location filename="../net/tcpserverpage.cpp" line="+1"/>
        <source>监听失败</source>
        <translation>Could not listen</translation>
    </message>
    <message>
        <location line="+5"/>
        <location filename="../net/tcpclientpage.cpp" line="+36"/>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <location line="+1"/>
        <location filename="../net/tcpclientpage.cpp" line="+1"/>
        <source>断开</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <location line="+0"/>
        <location filename="../net/tcpclientpage.cpp" line="+1"/>
        <source>连接失败</source>
        <translation>Could not connect</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>绑定</source>
        <translation>Bind</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>解绑</source>
        <translation>Unbind</translation>
    </message>
    <message>
        <location line="+0"/>
        <location filename="../net/udppage.cpp" line="+38"/>
        <source>绑定失败</source>
        <translation>Could not bind</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>一次只接收一辆小车：已忽略其他发送方的%1个数据包，最近来自[%2:%3]</source>
        <translation>One car at a time: ignored %1 datagrams from other senders, the latest from [%2:%3]</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>小车已连接</source>
        <translation>Car connected</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>小车已断开</source>
        <translation>Car disconnected</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>已拒绝：一次只接收一辆小车</source>
        <translation>Refused: one car at a time</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>“%1”不传送图像和CCD数据，只有示波器显示它的数据。选择“智能车协议”可看图像。</source>
        <translation>“%1” carries no pictures and no CCD lines: only the oscilloscope shows its data. Choose “Car protocol” to see pictures.</translation>
    </message>
    <message>
        <location line="+100"/>
        <location filename="../uart/uarttab.cpp" line="+20"/>
        <source>正在记录，不能更换帧格式：记录要与所用的帧格式一致。请先停止记录。</source>
        <translation>Recording: the frame format cannot be changed, the recording must match the format in use. Stop recording first.</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../uart/uarttab.cpp" line="+2"/>
        <source>正在回放，不能更换帧格式。请先停止回放。</source>
        <translation>Replaying: the frame format cannot be changed. Stop the replay first.</translation>
    </message>
    <message>
        <location line="+129"/>
        <source>无法使用（%1）</source>
        <translation>unusable (%1)</translation>
    </message>
    <message>
        <location line="+18"/>
        <location filename="../uart/uarttab.cpp" line="+133"/>
        <source>记录中的帧格式无法使用（%1），回放时用现在的帧格式。</source>
        <translation>The recorded frame format cannot be used (%1); the replay uses the current frame format.</translation>
    </message>
    <message>
        <location filename="../source/sourceselector.cpp" line="-179"/>
        <source>还没有小车连接</source>
        <translation>No car is connected yet</translation>
    </message>
    <message>
        <location line="+59"/>
        <source>还没有收到小车的数据，不知道发往哪里</source>
        <translation>Nothing received from the car yet, so there is no address to send to</translation>
    </message>
    <message>
        <location line="+80"/>
        <source>正在回放记录</source>
        <translation>A capture is being replayed</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>未打开数据源</source>
        <translation>No source is open</translation>
    </message>
    <message>
        <location line="+36"/>
        <source>请先关闭当前的数据源</source>
        <translation>Close the current data source first</translation>
    </message>
    <message>
        <location filename="../car/cartab.cpp" line="-50"/>
        <source>记录时的图像/CCD/示波器设置与现在不同：
%1
使用记录时的设置吗？</source>
        <translation>The image/CCD/oscilloscope settings of the recording differ from the current ones:
%1
Use the recorded settings?</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>%1：记录时 %2，现在 %3</source>
        <translation>%1: recorded %2, now %3</translation>
    </message>
    <message>
        <location filename="../car/ccdview.cpp" line="+179"/>
        <source>最大灰度值：%1</source>
        <translation>Max grey: %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>最小灰度值：%1</source>
        <translation>Min grey: %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>平均灰度值：%1</source>
        <translation>Mean grey: %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>最大差分值：%1</source>
        <translation>Max difference: %1</translation>
    </message>
    <message>
        <location filename="../source/networksourcepanel.cpp" line="+7"/>
        <source>连接已断开</source>
        <translation>Connection lost</translation>
    </message>
    <message>
        <location line="-6"/>
        <source>%1：
%2</source>
        <translation>%1:
%2</translation>
    </message>
    <message>
        <location filename="../scope/scopecsv.cpp" line="-36"/>
        <location line="+4"/>
        <location filename="../scope/scopeview.cpp" line="+9"/>
        <source>文件为空！</source>
        <translation>The file is empty!</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>配置行有误</source>
        <translation>Bad configuration line</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>配置行有误，检查首行数据是否正确。

格式：[波形数量1~8],[数据类型编号1~8]  //自定义注释</source>
        <translation>Bad configuration line: check the first line.

Format: [channel count 1~8],[type number 1~8]  //comment</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>配置行的通道数有误，不在1~8之间。</source>
        <translation>The channel count of the configuration line is not within 1~8.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>配置行的通道数有误，和数据匹配，数据行共%1行。</source>
        <translation>The channel count of the configuration line does not match the data: there are %1 data lines.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>配置行的数据类型有误，不在1~8之间。</source>
        <translation>The type number of the configuration line is not within 1~8.</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>数据有误!波形%1的元素数目和前一个波形不同。</source>
        <translation>Bad data! Channel %1 has another number of samples than the channel before.</translation>
    </message>
    <message>
        <location filename="../scope/scopeview.cpp" line="-618"/>
        <source>波形</source>
        <translation>CH</translation>
    </message>
    <message>
        <location filename="../car/stepview.cpp" line="-224"/>
        <source>每次发送“%1”开始一个阶跃；第一次发送时起点取小车回报的值，没有回报则不计。</source>
        <translation>Every value of “%1” sent starts a step; the first one sent starts from the value the car reported, and without a report it starts none.</translation>
    </message>
    <message>
        <location line="+150"/>
        <source>未稳定</source>
        <translation>not settled</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>%1 样本</source>
        <translation>%1 samples</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>这个阶跃的样本已不在示波器的记录中。</source>
        <translation>The samples of this step are no longer in the oscilloscope&apos;s history.</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <location line="+2"/>
        <location filename="../scope/scopeview.cpp" line="+48"/>
        <source>逗号分隔(*.csv)</source>
        <translation>Comma-separated (*.csv)</translation>
    </message>
    <message>
        <location filename="../scope/scopeview.cpp" line="+25"/>
        <source>内存不足</source>
        <translation>Out of memory</translation>
    </message>
    <message>
        <location line="+203"/>
        <source>通道已满（%1 个），数据中的新标签“%2”等已忽略。</source>
        <translation>All %1 channels are taken: new labels in the data, “%2” first, are ignored.</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>数据中有 %1 处非有限数值（inf 或 nan），已忽略。</source>
        <translation>%1 values in the data are not finite (inf or nan) and were ignored.</translation>
    </message>
    <message>
        <location line="+144"/>
        <source>实测 %1 Hz</source>
        <translation>measured %1 Hz</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>实测 —</source>
        <translation>measured —</translation>
    </message>
    <message>
        <location line="+235"/>
        <source>画面静止，样本照常保存（%1）</source>
        <translation>Freezes the picture; samples are still stored (%1)</translation>
    </message>
    <message>
        <location line="+197"/>
        <source>等待</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>已触发</source>
        <translation>Triggered</translation>
    </message>
    <message>
        <location filename="../scope/scopereadouts.cpp" line="+26"/>
        <source>样本 %1</source>
        <translation>sample %1</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>周期 %1 样本</source>
        <translation>period %1 samples</translation>
    </message>
    <message>
        <location line="+46"/>
        <source>Δ %1 样本</source>
        <translation>Δ %1 samples</translation>
    </message>
    <message>
        <location filename="../scope/scopeview.cpp" line="+164"/>
        <source>保存图片</source>
        <translation>Save picture</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>PNG图片(*.png)</source>
        <translation>PNG pictures (*.png)</translation>
    </message>
    <message>
        <location filename="../car/carparams.cpp" line="+118"/>
        <source>发送模板为空</source>
        <translation>The send template is empty</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>发送模板超过 %1 个字符</source>
        <translation>The send template is longer than %1 characters</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>发送模板含有无效字符</source>
        <translation>The send template contains invalid characters</translation>
    </message>
    <message>
        <location line="+28"/>
        <source>发送模板第 %1 个字符：%后只能是 name、value、index 或 %</source>
        <translation>Send template, character %1: “%” must be followed by name, value, index or %</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>发送模板第 %1 个字符：无效的转义序列</source>
        <translation>Send template, character %1: invalid escape sequence</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>第 %1 个参数的数值缺失或无效</source>
        <translation>Parameter %1: a number is missing or invalid</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>第 %1 个参数的名称无效：须为 1 到 %2 字节，不含空白、控制字符和 = : ,</source>
        <translation>Parameter %1 has an invalid name: it must be 1 to %2 bytes, without blanks, control characters or = : ,</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>参数 %1 的最小值和最大值须在 ±%2 以内</source>
        <translation>The minimum and maximum of parameter %1 must lie within ±%2</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>参数 %1 的最小值大于最大值</source>
        <translation>Parameter %1: the minimum is greater than the maximum</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>参数 %1 的步长须在 %2 到 %3 之间</source>
        <translation>The step of parameter %1 must lie between %2 and %3</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>参数 %1 的小数位数须为 0 到 %2 的整数</source>
        <translation>Parameter %1: the decimals must be a whole number from 0 to %2</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>参数文件的发送方式无效</source>
        <translation>The parameter file has an invalid send mode</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>参数文件的发送模板无效：%1</source>
        <translation>The parameter file&apos;s send template is invalid: %1</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>参数文件没有参数表</source>
        <translation>The parameter file has no parameter table</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>参数文件的参数超过 %1 个</source>
        <translation>The parameter file has more than %1 parameters</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>参数名称重复：%1</source>
        <translation>Duplicate parameter name: %1</translation>
    </message>
    <message>
        <location line="+110"/>
        <source>参数文件已损坏：有重复的字段</source>
        <translation>The parameter file is damaged: a field is repeated</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>参数文件已损坏：不是有效的 JSON</source>
        <translation>The parameter file is damaged: not valid JSON</translation>
    </message>
    <message>
        <location line="+5"/>
        <location line="+27"/>
        <source>不是参数文件</source>
        <translation>Not a parameter file</translation>
    </message>
    <message>
        <location line="-22"/>
        <source>参数文件的版本不受支持</source>
        <translation>The parameter file&apos;s version is not supported</translation>
    </message>
    <message>
        <location line="+27"/>
        <location filename="../scope/frameview.cpp" line="-19"/>
        <location filename="../scope/scopeview.cpp" line="-467"/>
        <source>打开文件失败：%1</source>
        <translation>Could not open the file: %1</translation>
    </message>
    <message>
        <location line="+4"/>
        <location line="+6"/>
        <source>参数文件超过 1 MiB：%1</source>
        <translation>The parameter file is larger than 1 MiB: %1</translation>
    </message>
    <message>
        <location filename="../scope/scopeview.cpp" line="+7"/>
        <source>正在导出波形……</source>
        <translation>Exporting waveforms…</translation>
    </message>
    <message>
        <location filename="../car/carparams.cpp" line="-26"/>
        <location filename="../car/stepview.cpp" line="+19"/>
        <location filename="../scope/scopeview.cpp" line="+12"/>
        <location line="+455"/>
        <source>写入文件失败：%1</source>
        <translation>Could not write the file: %1</translation>
    </message>
    <message>
        <location filename="../scope/scopeview.cpp" line="-411"/>
        <source>正在导入波形……</source>
        <translation>Importing waveforms…</translation>
    </message>
    <message>
        <location filename="../app/mainwindow.cpp" line="-112"/>
        <location filename="../capture/capturecontrols.cpp" line="+8"/>
        <location filename="../car/cameraview.cpp" line="-16"/>
        <location filename="../car/stepview.cpp" line="-33"/>
        <location filename="../online/selfupdater.cpp" line="-48"/>
        <location line="+11"/>
        <location line="+43"/>
        <location filename="../scope/scopeview.cpp" line="+10"/>
        <source>提示</source>
        <translation>Note</translation>
    </message>
    <message>
        <location filename="../scope/scopeview.cpp" line="+0"/>
        <source>导入已取消，波形已清空。</source>
        <translation>Import cancelled; the waveforms were cleared.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>读取文件失败，波形已清空：%1</source>
        <translation>Could not read the file; the waveforms were cleared: %1</translation>
    </message>
    <message>
        <location filename="../gsm/gsmtab.cpp" line="-196"/>
        <source>响应实例：</source>
        <translation>Example response:</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>响应详解：</source>
        <translation>Response explained:</translation>
    </message>
    <message>
        <location line="+100"/>
        <location line="+34"/>
        <source>没有电话号码！</source>
        <translation>No phone number!</translation>
    </message>
    <message>
        <location line="-16"/>
        <source>存储为本机号码，是在查询本机号码时没识别到号码时使用。请确保你配置的号码%1与本机号码一致。是否继续？</source>
        <translation>Store as own number is for when querying the own number finds none. Make sure %1 is this SIM&apos;s number. Continue?</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>短信内容含有 Ctrl-Z (0x1A) 或 Esc (0x1B)：它会提前结束短信，其后的内容会被模块当作命令执行。请删除后再发送。</source>
        <translation>The SMS text contains Ctrl-Z (0x1A) or Esc (0x1B): it would end the message early, and the module would run the rest as commands. Remove it and send again.</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>模块没有回应“&gt; ”，短信未发送。</source>
        <translation>The module did not answer with “&gt; ”; the SMS was not sent.</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>没有指定短信存储位置！</source>
        <translation>No SMS slot given!</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>服务器IP地址不完整！</source>
        <translation>The server IP address is incomplete!</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>发送数据含有 Ctrl-Z (0x1A) 或 Esc (0x1B)：它会提前结束发送，其后的内容会被模块当作命令执行。请删除后再发送。</source>
        <translation>The data to send contains Ctrl-Z (0x1A) or Esc (0x1B): it would end the send early, and the module would run the rest as commands. Remove it and send again.</translation>
    </message>
    <message>
        <location filename="../gps/gpsfix.cpp" line="+34"/>
        <source>yyyy年MM月dd日</source>
        <extracomment>QDate format: yyyy the year, MM the month, dd the day</extracomment>
        <translation>yyyy-MM-dd</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>hh时mm分ss.zzz秒</source>
        <extracomment>QTime format: hh hours, mm minutes, ss.zzz seconds and milliseconds</extracomment>
        <translation>hh:mm:ss.zzz</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>米</source>
        <translation> m</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>未定位</source>
        <translation>No fix</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>2D定位</source>
        <translation>2D fix</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>3D定位</source>
        <translation>3D fix</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>无定位</source>
        <translation>No fix</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>RTK固定</source>
        <translation>RTK fixed</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>RTK浮动</source>
        <translation>RTK float</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>估算</source>
        <translation>Estimated</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>手动输入</source>
        <translation>Manual input</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>模拟</source>
        <translation>Simulated</translation>
    </message>
    <message>
        <location filename="../gps/gpssession.cpp" line="+34"/>
        <source>文件接收超时</source>
        <translation>File transfer timed out</translation>
    </message>
    <message>
        <location line="+106"/>
        <source>数据源已关闭</source>
        <translation>The source closed</translation>
    </message>
    <message>
        <location line="+132"/>
        <source>轨迹已达%1个点，之后的定位不再记录，可导出后清除轨迹</source>
        <translation>The track has reached %1 points; later fixes are not recorded. Export it, then clear the track.</translation>
    </message>
    <message>
        <location line="+85"/>
        <source>拒绝图片尺寸%1×%2：图片帧将超过%3 MiB，仍用%4×%5</source>
        <translation>Picture size %1×%2 refused: its frame would exceed %3 MiB; still using %4×%5</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>拒绝接收文件%1：大小无效或超过16MB</source>
        <translation>Refused file %1: size invalid or over 16 MB</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>此连接上传的文件已达%1 MiB，之后的文件内容将被丢弃</source>
        <translation>Files uploaded on this connection have reached %1 MiB; the contents of further files will be discarded</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>拒绝接收文件：uploads之下最多%1层文件夹，此连接之后更深的文件内容将被丢弃</source>
        <translation>File refused: at most %1 folder levels below uploads; the contents of deeper files on this connection will be discarded</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>拒绝接收文件：路径含有隐藏字符，文件内容将被丢弃</source>
        <translation>File refused: its path contains hidden characters; its contents will be discarded</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>拒绝接收文件%1：只接受uploads文件夹之内的相对路径，文件内容将被丢弃</source>
        <translation>Refused file %1: only relative paths inside the uploads folder are taken; its content is dropped</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>文件已接收：%1（%2字节）</source>
        <translation>File received: %1 (%2 bytes)</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>无法写入文件%1：%2</source>
        <translation>Could not write file %1: %2</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>%1，文件接收中断，未写入任何内容（已收到%2/%3字节）</source>
        <translation>%1; file transfer aborted, nothing written (%2/%3 bytes received)</translation>
    </message>
    <message>
        <location filename="../gps/gpstab.cpp" line="+25"/>
        <source>拒绝连接:[%1:%2]  %3  已有设备连接</source>
        <translation>Connection refused:[%1:%2]  %3  a device is already connected</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>断开连接:[%1:%2]  %3  %4</source>
        <translation>Disconnected:[%1:%2]  %3  %4</translation>
    </message>
    <message>
        <location line="-26"/>
        <source>监听失败：%1</source>
        <translation>Could not listen: %1</translation>
    </message>
    <message>
        <location line="-6"/>
        <source>监听</source>
        <translation>Listen</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>监听成功</source>
        <translation>Listening</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>停止监听成功</source>
        <translation>Stopped listening</translation>
    </message>
    <message>
        <location line="+66"/>
        <source>上线通知:[%1:%2]  %3</source>
        <translation>Connected: [%1:%2]  %3</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>下线通知:[%1:%2]  %3</source>
        <translation>Disconnected: [%1:%2]  %3</translation>
    </message>
    <message>
        <location line="+138"/>
        <source>轨迹：%1个点</source>
        <translation>Track: %1 points</translation>
    </message>
    <message>
        <location line="+9"/>
        <location line="+8"/>
        <source>导出轨迹</source>
        <translation>Export track</translation>
    </message>
    <message>
        <location line="-7"/>
        <source>轨迹中还没有定位，没有可导出的内容</source>
        <translation>The track holds no fixes yet; there is nothing to export.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>GPX轨迹 (*.gpx)</source>
        <translation>GPX track (*.gpx)</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>正在导出轨迹...</source>
        <translation>Exporting the track...</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>已取消导出轨迹%1</source>
        <translation>Track export to %1 cancelled</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>轨迹已导出：%1（%2个点）</source>
        <translation>Track exported: %1 (%2 points)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>无法导出轨迹%1：%2</source>
        <translation>Cannot export the track to %1: %2</translation>
    </message>
    <message>
        <location line="+34"/>
        <source>Unable to open file</source>
        <translation>Unable to open file</translation>
    </message>
    <message>
        <location filename="../source/hostfields.cpp" line="+26"/>
        <source>IP地址不完整，请填满四段（0～255）</source>
        <translation>Incomplete IP address: fill in all four fields (0-255)</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>请填写主机名</source>
        <translation>Enter a host name</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>主机名不能含有空格</source>
        <translation>A host name has no blanks</translation>
    </message>
    <message>
        <location filename="../console/netlog.cpp" line="+76"/>
        <source>（共%1字节，只显示最后%2字节）</source>
        <translation>(%1 bytes, only the last %2 shown)</translation>
    </message>
    <message>
        <location filename="../console/consoletext.cpp" line="+7"/>
        <source>接收：%1 字节    发送：%2 字节</source>
        <translation>Received: %1 bytes    Sent: %2 bytes</translation>
    </message>
    <message>
        <location filename="../net/netpage.cpp" line="+72"/>
        <source>发送区为空</source>
        <translation>The send area is empty</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>16进制格式有误，应为两位一组，如 1A 2B</source>
        <translation>Bad hex: pairs of digits, e.g. 1A 2B</translation>
    </message>
    <message>
        <location filename="../net/tcpclientpage.cpp" line="+15"/>
        <source>无法连接：%1</source>
        <translation>Cannot connect: %1</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>正在连接 %1 ...</source>
        <translation>Connecting to %1 ...</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>已断开连接  %1</source>
        <translation>Disconnected  %1</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>已取消连接  %1</source>
        <translation>Connection cancelled  %1</translation>
    </message>
    <message>
        <location line="-9"/>
        <source>连接成功:[%1]  %2  本地端口%3</source>
        <translation>Connected: [%1]  %2  local port %3</translation>
    </message>
    <message>
        <location line="-28"/>
        <source>连接出错：%1</source>
        <translation>Connection error: %1</translation>
    </message>
    <message>
        <location line="-3"/>
        <source>连接失败：%1</source>
        <translation>Could not connect: %1</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>服务器已断开连接:[%1]  %2</source>
        <translation>The server closed the connection: [%1]  %2</translation>
    </message>
    <message>
        <location line="+40"/>
        <source>发送失败：未连接</source>
        <translation>Not sent: not connected</translation>
    </message>
    <message>
        <location line="-63"/>
        <source>取消连接</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location filename="../net/tcpserverpage.cpp" line="-31"/>
        <location line="+123"/>
        <source>所有客户端</source>
        <translation>All clients</translation>
    </message>
    <message>
        <location line="-113"/>
        <source>断开客户端:[%1]  %2  %3</source>
        <translation>Client cut off:[%1]  %2  %3</translation>
    </message>
    <message>
        <location line="+30"/>
        <source>监听端口%1失败：%2</source>
        <translation>Could not listen on port %1: %2</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>监听成功，端口%1  %2</source>
        <translation>Listening on port %1  %2</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>停止监听成功  %1</source>
        <translation>Stopped listening  %1</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>上线通知:[%1]  %2  编号%3</source>
        <translation>Connected: [%1]  %2  no. %3</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>客户端%1已断开，定时发送已停止</source>
        <translation>Client %1 left; auto send stopped</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>下线通知:[%1]  %2  编号%3</source>
        <translation>Disconnected: [%1]  %2  no. %3</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>拒绝连接:[%1]  %2  客户端已达上限%3个</source>
        <translation>Refused: [%1]  %2  already %3 clients</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>没有已连接的客户端</source>
        <translation>No client connected</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>发送失败：客户端%1已断开</source>
        <translation>Not sent: client %1 left</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>请先在列表中选择要断开的客户端</source>
        <translation>First choose the client to disconnect in the list</translation>
    </message>
    <message>
        <location filename="../car/paramview.cpp" line="-605"/>
        <source>参数文件 (*.zparams)</source>
        <translation>Parameter files (*.zparams)</translation>
    </message>
    <message>
        <location line="+126"/>
        <source>上次的参数文件打不开：%1</source>
        <translation>The last parameter file does not open: %1</translation>
    </message>
    <message>
        <location line="+134"/>
        <source>参数名“%1”不可用：需要 1 到 31 字节，不含空白、=、:、,，且不能重名。</source>
        <translation>The parameter name “%1” cannot be used: it needs 1 to 31 bytes, without blanks, =, : or , and not the name of another row.</translation>
    </message>
    <message>
        <location line="+151"/>
        <source>模板有误，不发送：%1</source>
        <translation>The template is wrong, nothing is sent: %1</translation>
    </message>
    <message>
        <location line="+37"/>
        <location filename="../gsm/gsmtab.cpp" line="-230"/>
        <location filename="../net/udppage.cpp" line="+17"/>
        <location line="+34"/>
        <location filename="../uart/uarttab.cpp" line="+66"/>
        <source>发送失败：%1</source>
        <translation>Not sent: %1</translation>
    </message>
    <message>
        <location line="+109"/>
        <source>小车回传的值与设定值不同已超过一秒。</source>
        <translation>The value the car reports has differed from the one set for more than a second.</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>未打开数据源，不发送。</source>
        <translation>No source is open, nothing is sent.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>“%1”不回传参数值。</source>
        <translation>&quot;%1&quot; carries no parameter values back.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>打开参数</source>
        <translation>Open parameters</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>参数</source>
        <translation>parameters</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>保存参数</source>
        <translation>Save parameters</translation>
    </message>
    <message>
        <location filename="../net/udppage.cpp" line="-39"/>
        <source>打开UDP端口%1失败：%2</source>
        <translation>Could not open UDP port %1: %2</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>UDP已打开，本地端口%1  %2</source>
        <translation>UDP open on local port %1  %2</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>UDP已关闭  %1</source>
        <translation>UDP closed  %1</translation>
    </message>
    <message>
        <location line="-27"/>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <location line="+35"/>
        <source>无法发送：%1</source>
        <translation>Cannot send: %1</translation>
    </message>
    <message>
        <location filename="../online/download.cpp" line="+47"/>
        <source>无法写入%1：%2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <location line="+50"/>
        <source>服务器转向了另一种协议的地址（%1），已拒绝</source>
        <translation>The server redirected to another protocol (%1); refused</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>文件比预告的大</source>
        <translation>The file is larger than announced</translation>
    </message>
    <message>
        <location line="+1"/>
        <location filename="../online/onlineformats.cpp" line="+30"/>
        <location line="+12"/>
        <source>文件过大</source>
        <translation>The file is too large</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>写入失败：%1</source>
        <translation>Write failed: %1</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>服务器没有回应（超时）</source>
        <translation>The server did not answer (timeout)</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>服务器回答HTTP %1</source>
        <translation>The server answered HTTP %1</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>无法保存%1：%2</source>
        <translation>Cannot save %1: %2</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>文件大小不符：收到%1字节，应为%2字节</source>
        <translation>Wrong file size: %1 bytes received, %2 expected</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>文件的SHA-256校验值不符</source>
        <translation>The file&apos;s SHA-256 does not match</translation>
    </message>
    <message>
        <location filename="../online/infotab.cpp" line="+50"/>
        <source>使用说明</source>
        <translation>User guide</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>正在加载在线教程列表……</source>
        <translation>Loading the list of online tutorials…</translation>
    </message>
    <message>
        <location line="+49"/>
        <source>无法加载在线教程列表（%1）。</source>
        <translation>Could not load the list of online tutorials (%1).</translation>
    </message>
    <message>
        <location line="+43"/>
        <source>无法打开教程（%1）。</source>
        <translation>Could not open the tutorial (%1).</translation>
    </message>
    <message>
        <location filename="../online/onlineformats.cpp" line="-5"/>
        <source>文件不是文本</source>
        <translation>The file is not text</translation>
    </message>
    <message>
        <location line="+118"/>
        <source>文件行应有5项</source>
        <translation>A file line needs 5 fields</translation>
    </message>
    <message>
        <location line="+5"/>
        <location filename="../online/updatestage.cpp" line="+36"/>
        <source>不允许的文件名：%1</source>
        <translation>File name not allowed: %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>文件%1的地址不可用</source>
        <translation>Unusable address for file %1</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>文件%1的大小不可用</source>
        <translation>Unusable size for file %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>文件%1的SHA-256不可用</source>
        <translation>Unusable SHA-256 for file %1</translation>
    </message>
    <message>
        <location line="+56"/>
        <source>列表中没有教程</source>
        <translation>The list holds no tutorials</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>无法识别的行</source>
        <translation>Unknown line</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>不支持的格式%1</source>
        <translation>Unsupported format %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>版本号不可用</source>
        <translation>Unusable version</translation>
    </message>
    <message>
        <location line="+4"/>
        <location line="+4"/>
        <source>有效期不可用</source>
        <translation>The expiry date is not usable</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>文件%1重复</source>
        <translation>File %1 listed twice</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>升级文件过多</source>
        <translation>Too many update files</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>没有版本号</source>
        <translation>No version</translation>
    </message>
    <message>
        <location filename="../online/selfupdater.cpp" line="-79"/>
        <source>本程序构建时没有配置升级签名的公钥，不能自动升级。</source>
        <translation>This build has no public key for update signatures, so it cannot update itself.</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>无法确认它来自本程序的制作者（签名缺失或无效），不会自动升级。</source>
        <translation>It cannot be confirmed to come from the program&apos;s maker (the signature is missing or invalid), so it will not be installed automatically.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>升级说明没有写明有效期，不会自动升级。</source>
        <translation>The update description names no expiry date; it will not be installed automatically.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>升级说明已于%1过期（服务器可能没有提供最新的版本），不会自动升级。</source>
        <translation>The update description expired on %1 (the server may not be offering the newest version); it will not be installed automatically.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>发现新版本%1。</source>
        <translation>A new version %1 is available.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>请从%1下载新版本。</source>
        <translation>Please download the new version from %1.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>发现新版本%1。
本程序由系统的软件包管理器安装，请用软件包管理器升级。</source>
        <translation>Version %1 is out.
This program was installed by the system&apos;s package manager; update it there.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>发现新版本%1（当前版本%2）。</source>
        <translation>Version %1 is out (this is %2).</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>是否下载？新版本在程序退出后安装。</source>
        <translation>Download it? It is installed after the program exits.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>正在下载新版本%1...</source>
        <translation>Downloading version %1...</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>新版本%1下载失败：%2
程序文件没有任何改动。</source>
        <translation>Downloading version %1 failed: %2
The program files are unchanged.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>新版本%1已下载并校验完毕，将在程序退出后安装。</source>
        <translation>Version %1 is downloaded and verified; it is installed after the program exits.</translation>
    </message>
    <message>
        <location filename="../online/updatestage.cpp" line="+4"/>
        <source>没有要下载的文件</source>
        <translation>Nothing to download</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>无法在%1中建立临时目录：%2</source>
        <translation>Cannot create a temporary folder in %1: %2</translation>
    </message>
    <message>
        <location line="+39"/>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>%1：无法设置文件权限</source>
        <translation>%1: could not set the file&apos;s permissions</translation>
    </message>
    <message>
        <location filename="../gsm/atcatalogue.cpp" line="+11"/>
        <source>+CNUM: [&lt;alpha1&gt;],&lt;number1&gt;,&lt;type1&gt;[,&lt;speed&gt;,&lt;service&gt;]<byte value="xd"/>
[+CNUM: [&lt;alpha2&gt;],&lt;number2&gt;,&lt;type2&gt;[,&lt;speed&gt;,&lt;service&gt;]<byte value="xd"/>
[…]]<byte value="xd"/>
OK<byte value="xd"/>
出错时返回：+CME ERROR: &lt;err&gt;<byte value="xd"/>
<byte value="xd"/>
参数：<byte value="xd"/>
&lt;alphaX&gt;  号码的名称（可选），字符集由 AT+CSCS 决定<byte value="xd"/>
&lt;numberX&gt;  本机号码，字符串<byte value="xd"/>
&lt;typeX&gt;  号码类型：129 为普通号码，145 为以“+”开头的国际号码<byte value="xd"/>
&lt;speed&gt;  数据业务的速率（与 AT+CBST 的取值相同）<byte value="xd"/>
&lt;service&gt;  号码用于哪种业务：<byte value="xd"/>
    0 异步 modem<byte value="xd"/>
    1 同步 modem<byte value="xd"/>
    2 PAD 接入（异步）<byte value="xd"/>
    3 分组接入（同步）<byte value="xd"/>
    4 语音<byte value="xd"/>
    5 传真<byte value="xd"/>
<byte value="xd"/>
号码取自 SIM 卡的本机号码簿（&quot;ON&quot;）。运营商没有写入时查询不到号码，只返回 OK，这时可以用“存储为本机号码”自己写入。</source>
        <translation>+CNUM: [&lt;alpha1&gt;],&lt;number1&gt;,&lt;type1&gt;[,&lt;speed&gt;,&lt;service&gt;]<byte value="xd"/>
[+CNUM: [&lt;alpha2&gt;],&lt;number2&gt;,&lt;type2&gt;[,&lt;speed&gt;,&lt;service&gt;]<byte value="xd"/>
[…]]<byte value="xd"/>
OK<byte value="xd"/>
On error: +CME ERROR: &lt;err&gt;<byte value="xd"/>
<byte value="xd"/>
Parameters:<byte value="xd"/>
&lt;alphaX&gt;  name of the number (optional), in the character set of AT+CSCS<byte value="xd"/>
&lt;numberX&gt;  own number, a string<byte value="xd"/>
&lt;typeX&gt;  number type: 129 a national number, 145 an international number starting with &quot;+&quot;<byte value="xd"/>
&lt;speed&gt;  data service speed (the values of AT+CBST)<byte value="xd"/>
&lt;service&gt;  the service the number is for:<byte value="xd"/>
    0 asynchronous modem<byte value="xd"/>
    1 synchronous modem<byte value="xd"/>
    2 PAD access (asynchronous)<byte value="xd"/>
    3 packet access (synchronous)<byte value="xd"/>
    4 voice<byte value="xd"/>
    5 fax<byte value="xd"/>
<byte value="xd"/>
The number comes from the SIM&apos;s own-number book (&quot;ON&quot;). When the operator has not written it, the query finds none and only returns OK; then &quot;Store as own number&quot; writes it.</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>TA 返回当前的模式和当前选择的运营商。如果还没有选中运营商，只返回 &lt;mode&gt;。<byte value="xd"/>
响应：+COPS: &lt;mode&gt;[,&lt;format&gt;, &lt;oper&gt;]<byte value="xd"/>
OK<byte value="xd"/>
出错时返回：+CME ERROR: &lt;err&gt;<byte value="xd"/>
<byte value="xd"/>
参数：<byte value="xd"/>
&lt;mode&gt;  选网方式：<byte value="xd"/>
    0 自动选择<byte value="xd"/>
    1 手动选择<byte value="xd"/>
    2 从网络注销<byte value="xd"/>
    3 只设置 &lt;format&gt;<byte value="xd"/>
    4 先手动选择，失败后自动选择<byte value="xd"/>
&lt;format&gt;  &lt;oper&gt; 的写法：0 长字母格式，1 短字母格式，2 数字格式（MCC 与 MNC）<byte value="xd"/>
&lt;oper&gt;  运营商，如 &quot;CHINA MOBILE&quot;；数字格式时如 &quot;46000&quot;</source>
        <translation>The TA returns the current mode and the selected operator. Before an operator is selected, only &lt;mode&gt; is returned.<byte value="xd"/>
Response: +COPS: &lt;mode&gt;[,&lt;format&gt;, &lt;oper&gt;]<byte value="xd"/>
OK<byte value="xd"/>
On error: +CME ERROR: &lt;err&gt;<byte value="xd"/>
<byte value="xd"/>
Parameters:<byte value="xd"/>
&lt;mode&gt;  network selection:<byte value="xd"/>
    0 automatic<byte value="xd"/>
    1 manual<byte value="xd"/>
    2 deregister from the network<byte value="xd"/>
    3 set &lt;format&gt; only<byte value="xd"/>
    4 manual first, automatic if that fails<byte value="xd"/>
&lt;format&gt;  how &lt;oper&gt; is written: 0 long alphanumeric, 1 short alphanumeric, 2 numeric (MCC and MNC)<byte value="xd"/>
&lt;oper&gt;  the operator, e.g. &quot;CHINA MOBILE&quot;; numeric e.g. &quot;46000&quot;</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>用户终端返回一个字符串，用以指示是否需要密码。<byte value="xd"/>
响应：+CPIN: &lt;code&gt;<byte value="xd"/>
OK<byte value="xd"/>
出错时返回：+CME ERROR: &lt;err&gt;（例如没有插 SIM 卡）<byte value="xd"/>
<byte value="xd"/>
&lt;code&gt;：<byte value="xd"/>
    READY  不需要密码，SIM 卡可以使用<byte value="xd"/>
    SIM PIN  等待输入 SIM 卡的 PIN 码<byte value="xd"/>
    SIM PUK  PIN 码多次输错被锁，等待输入 PUK 码<byte value="xd"/>
    PH_SIM PIN  等待输入手机与 SIM 卡绑定的密码<byte value="xd"/>
    PH_SIM PUK  等待输入解除该绑定的 PUK 码<byte value="xd"/>
    SIM PIN2  等待输入 PIN2 码<byte value="xd"/>
    SIM PUK2  等待输入 PUK2 码</source>
        <translation>The TA returns a string telling whether a password is needed.<byte value="xd"/>
Response: +CPIN: &lt;code&gt;<byte value="xd"/>
OK<byte value="xd"/>
On error: +CME ERROR: &lt;err&gt; (e.g. no SIM card)<byte value="xd"/>
<byte value="xd"/>
&lt;code&gt;:<byte value="xd"/>
    READY  no password needed, the SIM is ready<byte value="xd"/>
    SIM PIN  waiting for the SIM PIN<byte value="xd"/>
    SIM PUK  PIN entered wrongly too often, waiting for the PUK<byte value="xd"/>
    PH_SIM PIN  waiting for the phone-to-SIM password<byte value="xd"/>
    PH_SIM PUK  waiting for the PUK that unlocks it<byte value="xd"/>
    SIM PIN2  waiting for PIN2<byte value="xd"/>
    SIM PUK2  waiting for PUK2</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>+CSQ: &lt;rssi&gt;,&lt;ber&gt; <byte value="xd"/>
OK<byte value="xd"/>
出错时返回：+CME ERROR: &lt;err&gt;<byte value="xd"/>
<byte value="xd"/>
&lt;rssi&gt;  接收信号强度：<byte value="xd"/>
    0  -115 dBm 或更弱<byte value="xd"/>
    1  -111 dBm<byte value="xd"/>
    2…30  -110 … -54 dBm，每级约 2 dB<byte value="xd"/>
    31  -52 dBm 或更强<byte value="xd"/>
    99  未知或测不出<byte value="xd"/>
&lt;ber&gt;  误码率，按 GSM 05.08 第 7.2.4 节的 RXQUAL 等级：<byte value="xd"/>
    0…7  数值越小，误码越少<byte value="xd"/>
    99  未知或测不出<byte value="xd"/>
<byte value="xd"/>
&lt;rssi&gt; 在 10 以上时，通话和收发短信一般才可靠。</source>
        <translation>+CSQ: &lt;rssi&gt;,&lt;ber&gt; <byte value="xd"/>
OK<byte value="xd"/>
On error: +CME ERROR: &lt;err&gt;<byte value="xd"/>
<byte value="xd"/>
&lt;rssi&gt;  received signal strength:<byte value="xd"/>
    0  -115 dBm or less<byte value="xd"/>
    1  -111 dBm<byte value="xd"/>
    2…30  -110 … -54 dBm, about 2 dB a step<byte value="xd"/>
    31  -52 dBm or more<byte value="xd"/>
    99  unknown or not measurable<byte value="xd"/>
&lt;ber&gt;  bit error rate as RXQUAL levels of GSM 05.08 section 7.2.4:<byte value="xd"/>
    0…7  the smaller, the fewer errors<byte value="xd"/>
    99  unknown or not measurable<byte value="xd"/>
<byte value="xd"/>
Calls and SMS are usually reliable only with &lt;rssi&gt; above 10.</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>TA 返回生产厂商名称 <byte value="xd"/>
响应：&lt;manufacturer&gt;<byte value="xd"/>
OK<byte value="xd"/>
<byte value="xd"/>
&lt;manufacturer&gt;  模块生产厂商的名称，字符串</source>
        <translation>The TA returns the maker&apos;s name <byte value="xd"/>
Response: &lt;manufacturer&gt;<byte value="xd"/>
OK<byte value="xd"/>
<byte value="xd"/>
&lt;manufacturer&gt;  the module maker&apos;s name, a string</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>TA 返回模块型号 <byte value="xd"/>
响应：&lt;model&gt;<byte value="xd"/>
OK<byte value="xd"/>
<byte value="xd"/>
&lt;model&gt;  模块的型号，字符串</source>
        <translation>The TA returns the module model <byte value="xd"/>
Response: &lt;model&gt;<byte value="xd"/>
OK<byte value="xd"/>
<byte value="xd"/>
&lt;model&gt;  the module&apos;s model, a string</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>参考命令  AT+GSN <byte value="xd"/>
TA 返回产品序列号，即模块的 IMEI（国际移动设备识别码）。<byte value="xd"/>
响应：&lt;sn&gt;<byte value="xd"/>
OK<byte value="xd"/>
出错时返回：+CME ERROR: &lt;err&gt;<byte value="xd"/>
<byte value="xd"/>
&lt;sn&gt;  IMEI，共 15 位数字：前 8 位是型号核准码，后面 6 位是序号，最后 1 位是校验位</source>
        <translation>Same as  AT+GSN <byte value="xd"/>
The TA returns the product serial number, the module&apos;s IMEI (International Mobile Equipment Identity).<byte value="xd"/>
Response: &lt;sn&gt;<byte value="xd"/>
OK<byte value="xd"/>
On error: +CME ERROR: &lt;err&gt;<byte value="xd"/>
<byte value="xd"/>
&lt;sn&gt;  the IMEI, 15 digits: 8 of type approval code, 6 of serial number and 1 check digit</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>此命令设置 TA 在命令模式下，回显从 TE 接收到的字符。 <byte value="xd"/>
响应：OK<byte value="xd"/>
<byte value="xd"/>
回显开启时，模块先把收到的命令原样送回，再给出结果，便于在串口上确认模块收到了什么。模块上电后一般默认开启回显。</source>
        <translation>Makes the TA echo the characters it receives from the TE in command mode. <byte value="xd"/>
Response: OK<byte value="xd"/>
<byte value="xd"/>
With echo on, the module first sends back the command as received and then the result, so the serial line shows what the module got. Echo is usually on after power-up.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>此命令设置 TA 在命令模式下，不回显从 TE 接收到的字符。 <byte value="xd"/>
响应：OK<byte value="xd"/>
<byte value="xd"/>
回显关闭后模块只给出结果，单片机等程序解析应答时较为方便。ATE0 这条命令本身还会回显一次，因为模块收到它时回显还开着。</source>
        <translation>Makes the TA stop echoing the characters it receives from the TE in command mode. <byte value="xd"/>
Response: OK<byte value="xd"/>
<byte value="xd"/>
With echo off the module gives only the results, which is easier for a microcontroller to parse. ATE0 itself is still echoed, because echo was on when the module received it.</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>若语音呼叫连接建立成功，响应为 :<byte value="xd"/>
OK<byte value="xd"/>
<byte value="xd"/>
没有来电，或者连接没有建立时，响应为：<byte value="xd"/>
NO CARRIER<byte value="xd"/>
<byte value="xd"/>
有来电时模块输出 RING（用 AT+CLIP=1 开启来电号码显示后，随后再输出 +CLIP: &lt;number&gt;,&lt;type&gt;,…），这时发送 ATA 接听。通话中对方挂断时模块输出 NO CARRIER。</source>
        <translation>When the voice call is connected, the response is:<byte value="xd"/>
OK<byte value="xd"/>
<byte value="xd"/>
Without an incoming call, or when the call is not connected:<byte value="xd"/>
NO CARRIER<byte value="xd"/>
<byte value="xd"/>
An incoming call makes the module send RING (after AT+CLIP=1 followed by +CLIP: &lt;number&gt;,&lt;type&gt;,…); send ATA to answer it. When the other side hangs up during the call, the module sends NO CARRIER.</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>通过本地 TE 挂断当前呼叫连接。 <byte value="xd"/>
格式：ATH[&lt;n&gt;]<byte value="xd"/>
响应：OK<byte value="xd"/>
<byte value="xd"/>
&lt;n&gt;  挂断哪些呼叫：<byte value="xd"/>
    0  本通道上的全部呼叫：语音、数据、等待中的呼叫和 GPRS 连接（缺省）<byte value="xd"/>
    1  所有通道上的全部呼叫<byte value="xd"/>
    2  本通道上的电路交换数据呼叫<byte value="xd"/>
    3  本通道上的 GPRS 连接<byte value="xd"/>
    4  本通道上的电路交换呼叫（语音或数据）<byte value="xd"/>
    5  本通道上正在等待的呼叫</source>
        <translation>Hangs up the current call from the local TE. <byte value="xd"/>
Format: ATH[&lt;n&gt;]<byte value="xd"/>
Response: OK<byte value="xd"/>
<byte value="xd"/>
&lt;n&gt;  which calls to end:<byte value="xd"/>
    0  all calls on this channel: voice, data, waiting calls and GPRS (default)<byte value="xd"/>
    1  all calls on all channels<byte value="xd"/>
    2  circuit-switched data calls on this channel<byte value="xd"/>
    3  GPRS connections on this channel<byte value="xd"/>
    4  circuit-switched calls (voice or data) on this channel<byte value="xd"/>
    5  waiting calls on this channel</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>此命令用于重拨 ATD 上次呼叫号码。 <byte value="xd"/>
格式：ATDL[;]  带分号为语音呼叫<byte value="xd"/>
<byte value="xd"/>
可能的结果码：<byte value="xd"/>
    NO DIALTONE  没有拨号音（未注册到网络）<byte value="xd"/>
    BUSY  对方忙<byte value="xd"/>
    NO CARRIER  呼叫没有建立，或通话已断开<byte value="xd"/>
    NO ANSWER  对方在规定时间内没有应答<byte value="xd"/>
    CONNECT&lt;text&gt;  数据呼叫已接通，&lt;text&gt; 为速率等附加信息<byte value="xd"/>
    OK  语音呼叫已发起；开启 AT+COLP=1 时，对方接听后才返回，并在前面给出 +COLP: &lt;number&gt;,&lt;type&gt;,…</source>
        <translation>Redials the last number called with ATD. <byte value="xd"/>
Format: ATDL[;]  with the semicolon a voice call<byte value="xd"/>
<byte value="xd"/>
Possible result codes:<byte value="xd"/>
    NO DIALTONE  no dial tone (not registered on the network)<byte value="xd"/>
    BUSY  the line is busy<byte value="xd"/>
    NO CARRIER  the call was not set up, or it has ended<byte value="xd"/>
    NO ANSWER  no answer within the time allowed<byte value="xd"/>
    CONNECT&lt;text&gt;  data call connected; &lt;text&gt; gives the speed and the like<byte value="xd"/>
    OK  voice call started; with AT+COLP=1 only once the other side answers, after +COLP: &lt;number&gt;,&lt;type&gt;,…</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>执行命令用于建立语音、数据或传真的主叫，还可以用于控制补充业务。<byte value="xd"/>
格式：ATD&lt;n&gt;[;]<byte value="xd"/>
&lt;n&gt;  被叫号码，可以包含 0…9、*、#、+；号码后带分号为语音呼叫，不带分号为数据呼叫<byte value="xd"/>
<byte value="xd"/>
可能的结果码：<byte value="xd"/>
    NO DIALTONE  没有拨号音（未注册到网络）<byte value="xd"/>
    BUSY  对方忙<byte value="xd"/>
    NO CARRIER  呼叫没有建立，或通话已断开<byte value="xd"/>
    NO ANSWER  对方在规定时间内没有应答<byte value="xd"/>
    CONNECT&lt;text&gt;  数据呼叫已接通，&lt;text&gt; 为速率等附加信息<byte value="xd"/>
    OK  语音呼叫已发起；开启 AT+COLP=1 时，对方接听后才返回，并在前面给出 +COLP: &lt;number&gt;,&lt;type&gt;,…</source>
        <translation>Starts a voice, data or fax call; also controls supplementary services.<byte value="xd"/>
Format: ATD&lt;n&gt;[;]<byte value="xd"/>
&lt;n&gt;  the number to call, of 0…9, *, #, +; with a semicolon after it a voice call, without a data call<byte value="xd"/>
<byte value="xd"/>
Possible result codes:<byte value="xd"/>
    NO DIALTONE  no dial tone (not registered on the network)<byte value="xd"/>
    BUSY  the line is busy<byte value="xd"/>
    NO CARRIER  the call was not set up, or it has ended<byte value="xd"/>
    NO ANSWER  no answer within the time allowed<byte value="xd"/>
    CONNECT&lt;text&gt;  data call connected; &lt;text&gt; gives the speed and the like<byte value="xd"/>
    OK  voice call started; with AT+COLP=1 only once the other side answers, after +COLP: &lt;number&gt;,&lt;type&gt;,…</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>用户终端使能或者屏蔽 TE 上 CLIP 的显示，即有来电时是否给出主叫号码。<byte value="xd"/>
设置命令：AT+CLIP=[&lt;n&gt;]<byte value="xd"/>
响应：OK<byte value="xd"/>
出错时返回：+CME ERROR: &lt;err&gt;<byte value="xd"/>
<byte value="xd"/>
&lt;n&gt;：<byte value="xd"/>
    0  关闭：来电时只输出 RING<byte value="xd"/>
    1  开启：每个 RING 之后输出 +CLIP: &lt;number&gt;,&lt;type&gt;[,&lt;subaddr&gt;,&lt;satype&gt;,&lt;alpha&gt;,&lt;CLI validity&gt;]<byte value="xd"/>
<byte value="xd"/>
查询命令 AT+CLIP? 返回 +CLIP: &lt;n&gt;,&lt;m&gt;，&lt;m&gt; 是网络对此业务的状态：0 未开通，1 已开通，2 未知。</source>
        <translation>Turns the CLIP display on the TE on or off: whether an incoming call gives the caller&apos;s number.<byte value="xd"/>
Set command: AT+CLIP=[&lt;n&gt;]<byte value="xd"/>
Response: OK<byte value="xd"/>
On error: +CME ERROR: &lt;err&gt;<byte value="xd"/>
<byte value="xd"/>
&lt;n&gt;:<byte value="xd"/>
    0  off: an incoming call gives only RING<byte value="xd"/>
    1  on: every RING is followed by +CLIP: &lt;number&gt;,&lt;type&gt;[,&lt;subaddr&gt;,&lt;satype&gt;,&lt;alpha&gt;,&lt;CLI validity&gt;]<byte value="xd"/>
<byte value="xd"/>
The query AT+CLIP? returns +CLIP: &lt;n&gt;,&lt;m&gt;, &lt;m&gt; being the network&apos;s state of the service: 0 not provisioned, 1 provisioned, 2 unknown.</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>当主叫方在发起呼叫时，使用该命令可启用或禁在被叫侧显示 CLI。也就是：本机拨出（ATD）的电话接通后，是否给出实际接通的对方号码（被连接号码显示）。<byte value="xd"/>
设置命令：AT+COLP=[&lt;n&gt;]<byte value="xd"/>
响应：OK<byte value="xd"/>
出错时返回：+CME ERROR: &lt;err&gt;<byte value="xd"/>
<byte value="xd"/>
&lt;n&gt;：<byte value="xd"/>
    0  关闭<byte value="xd"/>
    1  开启：呼叫接通后先输出 +COLP: &lt;number&gt;,&lt;type&gt;[,&lt;subaddr&gt;,&lt;satype&gt;,&lt;alpha&gt;]，再返回 OK<byte value="xd"/>
<byte value="xd"/>
查询命令 AT+COLP? 返回 +COLP: &lt;n&gt;,&lt;m&gt;，&lt;m&gt; 是网络对此业务的状态：<byte value="xd"/>
    0  未开通<byte value="xd"/>
    1  已开通<byte value="xd"/>
    2  未知</source>
        <translation>Turns the connected line display on or off for calls made: whether a call dialled here (ATD) gives the number actually reached once connected.<byte value="xd"/>
Set command: AT+COLP=[&lt;n&gt;]<byte value="xd"/>
Response: OK<byte value="xd"/>
On error: +CME ERROR: &lt;err&gt;<byte value="xd"/>
<byte value="xd"/>
&lt;n&gt;:<byte value="xd"/>
    0  off<byte value="xd"/>
    1  on: once connected, +COLP: &lt;number&gt;,&lt;type&gt;[,&lt;subaddr&gt;,&lt;satype&gt;,&lt;alpha&gt;] comes before OK<byte value="xd"/>
<byte value="xd"/>
The query AT+COLP? returns +COLP: &lt;n&gt;,&lt;m&gt;, &lt;m&gt; being the network&apos;s state of the service:<byte value="xd"/>
    0  not provisioned<byte value="xd"/>
    1  provisioned<byte value="xd"/>
    2  unknown</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>参数说明 <byte value="xd"/>
&lt;mem1&gt;  读取和删除短信用的存储器（AT+CMGR、AT+CMGL、AT+CMGD）<byte value="xd"/>
&lt;mem2&gt;  写入和发送短信用的存储器（AT+CMGW、AT+CMSS）<byte value="xd"/>
&lt;mem3&gt;  新收到的短信存放的存储器<byte value="xd"/>
    &quot;SM&quot; 为 SIM 卡，有的模块还有 &quot;ME&quot;（模块自身）<byte value="xd"/>
&lt;usedX&gt;  该存储器里已有的短信条数<byte value="xd"/>
&lt;totalX&gt;  该存储器最多能存的短信条数<byte value="xd"/>
<byte value="xd"/>
设置命令 AT+CPMS=&lt;mem1&gt;[,&lt;mem2&gt;[,&lt;mem3&gt;]] 选择存储器。</source>
        <translation>Parameters <byte value="xd"/>
&lt;mem1&gt;  storage for reading and deleting SMS (AT+CMGR, AT+CMGL, AT+CMGD)<byte value="xd"/>
&lt;mem2&gt;  storage for writing and sending SMS (AT+CMGW, AT+CMSS)<byte value="xd"/>
&lt;mem3&gt;  storage for newly received SMS<byte value="xd"/>
    &quot;SM&quot; is the SIM card; some modules also have &quot;ME&quot; (the module itself)<byte value="xd"/>
&lt;usedX&gt;  SMS held in that storage<byte value="xd"/>
&lt;totalX&gt;  SMS that storage can hold<byte value="xd"/>
<byte value="xd"/>
The set command AT+CPMS=&lt;mem1&gt;[,&lt;mem2&gt;[,&lt;mem3&gt;]] chooses the storages.</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>命令说明<byte value="xd"/>
AT+CMGR=&lt;index&gt;[,&lt;mode&gt;]<byte value="xd"/>
读取存储器 &lt;mem1&gt;（见 AT+CPMS）中位置 &lt;index&gt; 上的短信。<byte value="xd"/>
<byte value="xd"/>
文本模式（AT+CMGF=1）下的响应：<byte value="xd"/>
+CMGR: &lt;stat&gt;,&lt;oa&gt;,[&lt;alpha&gt;],&lt;scts&gt;[,&lt;tooa&gt;,&lt;fo&gt;,&lt;pid&gt;,&lt;dcs&gt;,&lt;sca&gt;,&lt;tosca&gt;,&lt;length&gt;]<byte value="xd"/>
&lt;data&gt;<byte value="xd"/>
OK<byte value="xd"/>
<byte value="xd"/>
参数：<byte value="xd"/>
&lt;index&gt;  短信在存储器中的位置<byte value="xd"/>
&lt;mode&gt;  0 正常读取（未读短信变为已读），1 不改变短信的状态<byte value="xd"/>
&lt;stat&gt;  &quot;REC UNREAD&quot; 未读，&quot;REC READ&quot; 已读，&quot;STO UNSENT&quot; 未发送，&quot;STO SENT&quot; 已发送<byte value="xd"/>
&lt;oa&gt;  发送方号码<byte value="xd"/>
&lt;scts&gt;  短信中心收到短信的时间，格式 &quot;yy/MM/dd,hh:mm:ss±zz&quot;（zz 以 15 分钟为单位）<byte value="xd"/>
&lt;data&gt;  短信内容，字符集由 AT+CSCS 决定；UCS2 时为十六进制<byte value="xd"/>
<byte value="xd"/>
该位置没有短信时只返回 OK；位置超出范围时返回 +CMS ERROR: &lt;err&gt;。</source>
        <translation>Command<byte value="xd"/>
AT+CMGR=&lt;index&gt;[,&lt;mode&gt;]<byte value="xd"/>
Reads the SMS at place &lt;index&gt; of storage &lt;mem1&gt; (see AT+CPMS).<byte value="xd"/>
<byte value="xd"/>
Response in text mode (AT+CMGF=1):<byte value="xd"/>
+CMGR: &lt;stat&gt;,&lt;oa&gt;,[&lt;alpha&gt;],&lt;scts&gt;[,&lt;tooa&gt;,&lt;fo&gt;,&lt;pid&gt;,&lt;dcs&gt;,&lt;sca&gt;,&lt;tosca&gt;,&lt;length&gt;]<byte value="xd"/>
&lt;data&gt;<byte value="xd"/>
OK<byte value="xd"/>
<byte value="xd"/>
Parameters:<byte value="xd"/>
&lt;index&gt;  the SMS&apos;s place in the storage<byte value="xd"/>
&lt;mode&gt;  0 normal (an unread SMS becomes read), 1 leave the SMS&apos;s state as it is<byte value="xd"/>
&lt;stat&gt;  &quot;REC UNREAD&quot; unread, &quot;REC READ&quot; read, &quot;STO UNSENT&quot; not sent, &quot;STO SENT&quot; sent<byte value="xd"/>
&lt;oa&gt;  the sender&apos;s number<byte value="xd"/>
&lt;scts&gt;  when the SMS centre received it, as &quot;yy/MM/dd,hh:mm:ss±zz&quot; (zz in quarters of an hour)<byte value="xd"/>
&lt;data&gt;  the text, in the character set of AT+CSCS; hex for UCS2<byte value="xd"/>
<byte value="xd"/>
An empty place returns only OK; a place out of range returns +CMS ERROR: &lt;err&gt;.</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>AT+CSCS  选择TE字符集。<byte value="xd"/>
    AT+CSCS=&quot;GSM&quot; 即选择GSM 7位缺省字符集(3GPP TS 23.038)。<byte value="xd"/>
<byte value="xd"/>
AT+CMGF  选择短消息格式。<byte value="xd"/>
    AT+CMGF=1 选择文本模式；AT+CMGF=0 选择 PDU 模式。<byte value="xd"/>
<byte value="xd"/>
AT+CMGS  发送短消息。<byte value="xd"/>
    1)文本模式(+CMGF=1):+CMGS=&lt;da&gt;[,&lt;toda&gt;]&lt;CR&gt;text is entered&lt;ctrl-Z/ESC&gt; 。其中，ESC 退出发送，ctrl-Z确认发送 <byte value="xd"/>
<byte value="xd"/>
    2)PDU模式(+CMGF=0):+CMGS=&lt;length&gt;&lt;CR&gt;PDU is given&lt;ctrl-Z/ESC&gt; </source>
        <translation>AT+CSCS  Selects the TE character set.<byte value="xd"/>
    AT+CSCS=&quot;GSM&quot; selects the GSM 7-bit default alphabet (3GPP TS 23.038).<byte value="xd"/>
<byte value="xd"/>
AT+CMGF  Selects the SMS format.<byte value="xd"/>
    AT+CMGF=1 text mode; AT+CMGF=0 PDU mode.<byte value="xd"/>
<byte value="xd"/>
AT+CMGS  Sends an SMS.<byte value="xd"/>
    1) text mode (+CMGF=1): +CMGS=&lt;da&gt;[,&lt;toda&gt;]&lt;CR&gt;text is entered&lt;ctrl-Z/ESC&gt;. ESC cancels, ctrl-Z sends <byte value="xd"/>
<byte value="xd"/>
    2) PDU mode (+CMGF=0): +CMGS=&lt;length&gt;&lt;CR&gt;PDU is given&lt;ctrl-Z/ESC&gt; </translation>
    </message>
    <message>
        <location line="+13"/>
        <source>依次发送以下命令，每条之间停顿 100 毫秒：<byte value="xd"/>
AT+CGCLASS=&quot;B&quot;  移动台类别设为 B：可以附着 GPRS，也能接打电话（两者不同时进行）<byte value="xd"/>
AT+CGDCONT=1,&quot;IP&quot;,&quot;CMNET&quot;  定义 PDP 上下文 1：协议 IP，接入点名称（APN）CMNET<byte value="xd"/>
AT+CGATT=1  附着 GPRS 网络；查询 AT+CGATT? 返回 +CGATT: 1 表示已附着<byte value="xd"/>
AT+CIPCSGP=1,&quot;CMNET&quot;  连接方式设为 GPRS，APN 为 CMNET（其后还可以给出用户名和密码）<byte value="xd"/>
<byte value="xd"/>
每条命令成功时返回 OK，失败时返回 ERROR。</source>
        <translation>Sends these commands in turn, 100 ms apart:<byte value="xd"/>
AT+CGCLASS=&quot;B&quot;  mobile class B: attaches to GPRS and makes calls (not both at once)<byte value="xd"/>
AT+CGDCONT=1,&quot;IP&quot;,&quot;CMNET&quot;  defines PDP context 1: protocol IP, access point name (APN) CMNET<byte value="xd"/>
AT+CGATT=1  attaches to GPRS; the query AT+CGATT? returns +CGATT: 1 when attached<byte value="xd"/>
AT+CIPCSGP=1,&quot;CMNET&quot;  connection mode GPRS with APN CMNET (user name and password may follow)<byte value="xd"/>
<byte value="xd"/>
Each command returns OK on success and ERROR on failure.</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>AT+CLPORT=&lt;mode&gt;,&lt;port&gt;  设置本机端口，&lt;mode&gt; 为 &quot;TCP&quot; 或 &quot;UDP&quot;<byte value="xd"/>
AT+CIPSTART=&lt;mode&gt;,&lt;IP address&gt;,&lt;port&gt;  与服务器建立连接<byte value="xd"/>
<byte value="xd"/>
响应：先返回 OK，连接建立后再返回 CONNECT OK；<byte value="xd"/>
已经有连接时返回 ALREADY CONNECT，连接失败时返回 CONNECT FAIL。<byte value="xd"/>
两条命令之间停顿 100 毫秒。</source>
        <translation>AT+CLPORT=&lt;mode&gt;,&lt;port&gt;  sets the local port, &lt;mode&gt; being &quot;TCP&quot; or &quot;UDP&quot;<byte value="xd"/>
AT+CIPSTART=&lt;mode&gt;,&lt;IP address&gt;,&lt;port&gt;  connects to the server<byte value="xd"/>
<byte value="xd"/>
Response: OK first, then CONNECT OK once connected;<byte value="xd"/>
ALREADY CONNECT when a link exists, CONNECT FAIL when it cannot connect.<byte value="xd"/>
The two commands go 100 ms apart.</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>AT+CIPCLOSE=&lt;n&gt;  关闭当前的 TCP 或 UDP 连接<byte value="xd"/>
&lt;n&gt;  0 慢关闭（缺省），1 快关闭<byte value="xd"/>
<byte value="xd"/>
响应：CLOSE OK；没有连接时返回 ERROR。</source>
        <translation>AT+CIPCLOSE=&lt;n&gt;  closes the current TCP or UDP link<byte value="xd"/>
&lt;n&gt;  0 slow close (default), 1 quick close<byte value="xd"/>
<byte value="xd"/>
Response: CLOSE OK; ERROR without a link.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>AT+CIPSHUT  关闭移动场景：断开全部连接，释放 GPRS 的 PDP 上下文，回到初始状态<byte value="xd"/>
<byte value="xd"/>
响应：SHUT OK</source>
        <translation>AT+CIPSHUT  shuts down the GPRS context: ends all links, releases the PDP context and returns to the initial state<byte value="xd"/>
<byte value="xd"/>
Response: SHUT OK</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>AT+CIPSTATUS  查询当前的连接状态<byte value="xd"/>
响应：OK，其后是 STATE: &lt;state&gt;<byte value="xd"/>
<byte value="xd"/>
&lt;state&gt;  常见的取值：<byte value="xd"/>
    IP INITIAL  初始状态<byte value="xd"/>
    IP START / IP CONFIG / IP GPRSACT  正在启动和激活移动场景<byte value="xd"/>
    IP STATUS  已取得本机 IP 地址<byte value="xd"/>
    TCP CONNECTING / UDP CONNECTING  正在连接<byte value="xd"/>
    CONNECT OK  连接已建立<byte value="xd"/>
    TCP CLOSED / UDP CLOSED  连接已关闭<byte value="xd"/>
    PDP DEACT  移动场景已被释放</source>
        <translation>AT+CIPSTATUS  queries the link status<byte value="xd"/>
Response: OK, then STATE: &lt;state&gt;<byte value="xd"/>
<byte value="xd"/>
&lt;state&gt;  common values:<byte value="xd"/>
    IP INITIAL  initial state<byte value="xd"/>
    IP START / IP CONFIG / IP GPRSACT  starting and activating the GPRS context<byte value="xd"/>
    IP STATUS  local IP address obtained<byte value="xd"/>
    TCP CONNECTING / UDP CONNECTING  connecting<byte value="xd"/>
    CONNECT OK  connected<byte value="xd"/>
    TCP CLOSED / UDP CLOSED  link closed<byte value="xd"/>
    PDP DEACT  the GPRS context was released</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>AT+CIPSEND  通过已建立的连接发送数据<byte value="xd"/>
模块返回提示符 &quot;&gt; &quot; 后送入数据，以 ctrl-Z（0x1A）结束并发送，ESC 取消发送。<byte value="xd"/>
本页先发 AT+CIPSEND，停顿 100 毫秒，再把数据和结尾的 0x1A 一次送出。<byte value="xd"/>
<byte value="xd"/>
响应：SEND OK 发送成功，SEND FAIL 发送失败；没有连接时返回 ERROR。</source>
        <translation>AT+CIPSEND  sends data on the open link<byte value="xd"/>
After the module&apos;s prompt &quot;&gt; &quot; the data follows, ended and sent by ctrl-Z (0x1A); ESC cancels.<byte value="xd"/>
This page sends AT+CIPSEND, waits 100 ms, then sends the data and the closing 0x1A at once.<byte value="xd"/>
<byte value="xd"/>
Response: SEND OK when sent, SEND FAIL when not; ERROR without a link.</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>AT+CNUM 本机号码</source>
        <translation>AT+CNUM  Own number</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>AT+COPS?  查询运营商</source>
        <translation>AT+COPS?  Query the operator</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>AT+CPIN? 查询SIM卡的PIN码</source>
        <translation>AT+CPIN?  Query the SIM PIN state</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>AT+CSQ  信号质量查询</source>
        <translation>AT+CSQ  Signal quality</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>AT+CGMI    查询制造商名称</source>
        <translation>AT+CGMI    Query the maker</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>AT+CGMM  查询模块型号</source>
        <translation>AT+CGMM  Query the model</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>AT+CGSN 查询产品序列号</source>
        <translation>AT+CGSN  Query the serial number</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>ATE1 开启回显</source>
        <translation>ATE1  Echo on</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ATE0 关闭回显</source>
        <translation>ATE0  Echo off</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ATA    呼叫应答</source>
        <translation>ATA    Answer a call</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ATH    挂机控制</source>
        <translation>ATH    Hang up</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ATDL  重拨上次呼叫号码</source>
        <translation>ATDL  Redial the last number</translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+2"/>
        <source>AT+CLIP  设置指示来电号码</source>
        <translation>AT+CLIP  Caller line display</translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+2"/>
        <source>AT+COLP    设置被叫号码显示</source>
        <translation>AT+COLP    Connected line display</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>AT+CPMS  优选消息存储器</source>
        <translation>AT+CPMS  Preferred SMS storage</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>AT+CIPCLOSE  关闭连接</source>
        <translation>AT+CIPCLOSE  Close the link</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>AT+CIPSHUT  关闭移动场景</source>
        <translation>AT+CIPSHUT  Shut down the GPRS context</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>AT+CIPSTATUS  查询连接状态</source>
        <translation>AT+CIPSTATUS  Query the link status</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>ATD    移动台呼叫某一号码</source>
        <translation>ATD    Dial a number</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>AT+CMGR  读取短消息</source>
        <translation>AT+CMGR  Read an SMS</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>GPRS初始化</source>
        <translation>GPRS setup</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>AT+CIPSTART  建立TCP连接</source>
        <translation>AT+CIPSTART  Open a TCP link</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>AT+CIPSTART  建立UDP连接</source>
        <translation>AT+CIPSTART  Open a UDP link</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>AT+CIPSEND  发送数据</source>
        <translation>AT+CIPSEND  Send data</translation>
    </message>
    <message>
        <location filename="../capture/capturecontrols.cpp" line="-166"/>
        <source>记录文件 (*.zcap);;所有文件 (*)</source>
        <translation>Capture files (*.zcap);;All files (*)</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>记录与回放</source>
        <translation>Record and replay</translation>
    </message>
    <message>
        <location line="+19"/>
        <location line="+92"/>
        <source>开始记录</source>
        <translation>Record</translation>
    </message>
    <message>
        <location line="-86"/>
        <location line="+185"/>
        <source>打开回放</source>
        <translation>Open replay</translation>
    </message>
    <message>
        <location line="-183"/>
        <location line="+175"/>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <location line="-173"/>
        <source>单步</source>
        <translation>Step</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>最快</source>
        <translation>Fastest</translation>
    </message>
    <message>
        <location line="+49"/>
        <source>记录到文件</source>
        <translation>Record to file</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>无法创建记录文件：%1</source>
        <translation>Cannot create the capture file: %1</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>停止记录</source>
        <translation>Stop recording</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>记录已停止：磁盘写入跟不上接收的数据</source>
        <translation>Recording stopped: the disk cannot keep up with the data received</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>记录已停止：写入失败：%1</source>
        <translation>Recording stopped: writing failed: %1</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>打开记录文件</source>
        <translation>Open capture file</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>无法打开记录文件：%1</source>
        <translation>Cannot open the capture file: %1</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>这个记录文件不是本页记录的</source>
        <translation>This capture was not recorded on this tab</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>记录文件不完整（末尾 %1 字节被截断），只回放到最后一个完整的记录</source>
        <translation>The capture is incomplete (the last %1 bytes are cut); replaying up to the last whole record</translation>
    </message>
    <message>
        <location line="+42"/>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>停止回放</source>
        <translation>Stop replay</translation>
    </message>
    <message>
        <location filename="../web/mapview.cpp" line="+117"/>
        <source>离线视图 · 海岸线与国界 Natural Earth</source>
        <translation>Offline view · coastlines and borders: Natural Earth</translation>
    </message>
    <message>
        <location filename="../gps/uploadfolder.cpp" line="+66"/>
        <source>uploads文件夹已有%1个文件和文件夹，不再新建</source>
        <translation>the uploads folder already holds %1 files and folders; nothing more is created</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>uploads文件夹将超过%1 MiB，不再写入</source>
        <translation>the uploads folder would exceed %1 MiB; nothing more is written</translation>
    </message>
    <message>
        <location line="+45"/>
        <source>%1是符号链接，不会跟随</source>
        <translation>%1 is a symbolic link, which is never followed</translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+64"/>
        <source>%1不是文件夹</source>
        <translation>%1 is not a folder</translation>
    </message>
    <message>
        <location line="-62"/>
        <source>%1是文件夹</source>
        <translation>%1 is a folder</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1不是普通文件</source>
        <translation>%1 is not a regular file</translation>
    </message>
    <message>
        <location line="+106"/>
        <source>%1另有硬链接，不会改写</source>
        <translation>%1 has another hard link and is not rewritten</translation>
    </message>
    <message>
        <location line="+40"/>
        <source>路径无效</source>
        <translation>Invalid path</translation>
    </message>
    <message>
        <location line="+31"/>
        <source>此系统上不接收设备上传的文件</source>
        <translation>Files uploaded by a device are not accepted on this system</translation>
    </message>
    <message>
        <location filename="../link/mytcpserver.cpp" line="+68"/>
        <source>%1秒没有收到数据，已断开，换用新的连接</source>
        <translation>No data for %1 s: disconnected, taking the new connection</translation>
    </message>
    <message>
        <location line="+36"/>
        <location filename="../link/tcpclientlink.cpp" line="+35"/>
        <source>对方不接收数据，待发送的数据超过%1 MiB，已断开</source>
        <translation>The peer takes no data and more than %1 MiB wait to be sent: disconnected</translation>
    </message>
    <message>
        <location filename="../online/handover.cpp" line="+88"/>
        <source>上次升级到%1没有进行：%2是目录或链接，不能被替换。程序文件没有改动。</source>
        <translation>The last update to %1 was not carried out: %2 is a directory or a link and cannot be replaced. The program&apos;s files are unchanged.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>上次升级到%1没有完成：无法替换%2。程序的文件可能不完整，请重新安装。</source>
        <translation>The last update to %1 did not complete: %2 could not be replaced. The program&apos;s files may be incomplete; please reinstall.</translation>
    </message>
    <message>
        <location filename="../gps/gpstrack.cpp" line="+315"/>
        <source>写入失败</source>
        <translation>Write failed</translation>
    </message>
    <message>
        <location filename="../gps/satelliteviews.cpp" line="+68"/>
        <source>北斗</source>
        <translation>BeiDou</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>其他</source>
        <translation>Other</translation>
    </message>
    <message>
        <location filename="../source/listenscopebox.cpp" line="+16"/>
        <source>所有网络</source>
        <translation>All networks</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>仅本机</source>
        <translation>This computer only</translation>
    </message>
    <message>
        <location filename="../scope/scopeanalysis.cpp" line="+53"/>
        <source>频谱需要采样率：请填写“采样率”，或让数据流动以便实测。</source>
        <translation>The spectrum needs a sample rate: set &quot;Sample rate&quot;, or let samples flow so it can be measured.</translation>
    </message>
    <message>
        <location filename="../scope/framedescription.cpp" line="+338"/>
        <location line="+63"/>
        <location line="+10"/>
        <location line="+82"/>
        <location line="+167"/>
        <source>缺少此项</source>
        <translation>missing</translation>
    </message>
    <message>
        <location line="-320"/>
        <source>应为文本</source>
        <translation>must be text</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>应为 %1 到 %2 之间的整数</source>
        <translation>must be a whole number from %1 to %2</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>应为有限的数</source>
        <translation>must be a finite number</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>应为十六进制字节，如 &quot;AA 55&quot;</source>
        <translation>must be hex bytes, like &quot;AA 55&quot;</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>最多 %1 个字节</source>
        <translation>at most %1 bytes</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>不能为空</source>
        <translation>must not be empty</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>应为 &quot;little&quot; 或 &quot;big&quot;</source>
        <translation>must be &quot;little&quot; or &quot;big&quot;</translation>
    </message>
    <message>
        <location line="+7"/>
        <location line="+25"/>
        <source>应为对象</source>
        <translation>must be an object</translation>
    </message>
    <message>
        <location line="-15"/>
        <source>应为数组</source>
        <translation>must be an array</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>最多 %1 项</source>
        <translation>at most %1 entries</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>超出帧尾</source>
        <translation>reaches past the frame&apos;s end</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>应为 {&quot;fixed&quot;: 帧长} 或长度字段（at、size）</source>
        <translation>must be {&quot;fixed&quot;: frame length} or a length field (at, size)</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>未知的字段类型（可用 u8、i8、u16、i16、u32、i32、f32、f64）</source>
        <translation>unknown field type (use u8, i8, u16, i16, u32, i32, f32 or f64)</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>未知的校验方式</source>
        <translation>unknown checksum kind</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>应为 1 到 %1 个字符</source>
        <translation>must be 1 to %1 characters</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>不能为 0</source>
        <translation>must not be 0</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>通道最多 %1 个</source>
        <translation>at most %1 channels</translation>
    </message>
    <message>
        <location line="+95"/>
        <source>比帧头还短</source>
        <translation>shorter than the header</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>与帧头重叠</source>
        <translation>overlaps the header</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>长度字段表示不了最短的帧（%1 字节）</source>
        <translation>the length field cannot express the shortest frame (%1 bytes)</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>至少 %1 字节，长于长度字段所能表示的</source>
        <translation>needs at least %1 bytes, more than the length field can express</translation>
    </message>
    <message>
        <location line="+4"/>
        <location line="+6"/>
        <location line="+8"/>
        <source>不在最短的帧（%1 字节）内</source>
        <translation>lies outside the shortest frame (%1 bytes)</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>超出帧的范围</source>
        <translation>lies outside the frame</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>校验范围为空或超出帧</source>
        <translation>the checksum&apos;s range is empty or leaves the frame</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>校验值落在自己的校验范围内</source>
        <translation>the checksum lies inside its own range</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>与帧头或长度字段重叠</source>
        <translation>overlaps the header or the length field</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>描述太大（最多 %1 KiB）</source>
        <translation>description too large (at most %1 KiB)</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>不是有效的 JSON（第 %1 个字符附近）</source>
        <translation>not valid JSON (near character %1)</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>应为一个 JSON 对象</source>
        <translation>must be a JSON object</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>应为 &quot;zentrik-frame&quot;</source>
        <translation>must be &quot;zentrik-frame&quot;</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>只认得版本 1</source>
        <translation>only version 1 is known</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>至少要有一种帧</source>
        <translation>at least one frame type is needed</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>没有任何字段</source>
        <translation>no fields at all</translation>
    </message>
    <message>
        <location line="+182"/>
        <source>正确</source>
        <translation>good</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>帧不完整</source>
        <translation>incomplete frame</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>帧头不符</source>
        <translation>header does not match</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>长度比最短的帧还短</source>
        <translation>length shorter than the shortest frame</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>长度超出上限</source>
        <translation>length beyond the limit</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>帧尾不符</source>
        <translation>trailer does not match</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>校验错误</source>
        <translation>bad checksum</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>不属于任何一种帧</source>
        <translation>matches no frame type</translation>
    </message>
    <message>
        <location filename="../scope/frameview.cpp" line="-246"/>
        <source>帧格式 (*.zframe);;所有文件 (*)</source>
        <translation>Frame formats (*.zframe);;All files (*)</translation>
    </message>
    <message>
        <location line="+21"/>
        <source>帧类型</source>
        <translation>Frame type</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>字段</source>
        <translation>Field</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>字节序</source>
        <translation>Byte order</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>比例</source>
        <translation>Scale</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>偏移</source>
        <translation>Offset</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>通道</source>
        <translation>Channel</translation>
    </message>
    <message>
        <location line="+48"/>
        <source>未应用：%1。仍使用“%2”。</source>
        <translation>Not applied: %1. Still using &quot;%2&quot;.</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>在用的帧格式：“%1”，%2 个通道</source>
        <translation>Frame format in use: &quot;%1&quot;, %2 channels</translation>
    </message>
    <message>
        <location line="+15"/>
        <source>大端</source>
        <translation>Big endian</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>小端</source>
        <translation>Little endian</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>未读入：%1</source>
        <translation>Not read: %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>帧类型：%1</source>
        <translation>Frame type: %1</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>校验：计算得 %1，帧中为 %2</source>
        <translation>Checksum: computed %1, in the frame %2</translation>
    </message>
    <message>
        <location line="+33"/>
        <source>正确 %1 帧，校验错 %2，未知类型 %3，长度超限 %4，帧结构错 %5，无效数值 %6，跳过 %7 字节</source>
        <translation>%1 good frames, %2 bad checksums, %3 unknown types, %4 oversized lengths, %5 framing errors, %6 invalid values, %7 bytes skipped</translation>
    </message>
    <message>
        <location line="+57"/>
        <source>…（共 %1 字节）</source>
        <translation>… (%1 bytes in all)</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>打开帧格式</source>
        <translation>Open frame format</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>文件超过 %1 KiB，不是帧格式描述：%2</source>
        <translation>The file is larger than %1 KiB and is no frame format description: %2</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>保存帧格式</source>
        <translation>Save frame format</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>保存失败：%1</source>
        <translation>Saving failed: %1</translation>
    </message>
    <message>
        <location filename="../capture/capturewriter.cpp" line="+71"/>
        <source>记录的设置超过 %1 KiB，无法回放</source>
        <translation>The recorded settings exceed %1 KiB and could not be replayed</translation>
    </message>
</context>
<context>
    <name>NetTab</name>
    <message>
        <location filename="../net/nettab.ui" line="+19"/>
        <source>TCP服务器</source>
        <translation>TCP server</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>服务器设置</source>
        <translation>Server</translation>
    </message>
    <message>
        <location line="+12"/>
        <location line="+687"/>
        <source>本地端口</source>
        <translation>Local port</translation>
    </message>
    <message>
        <location line="-671"/>
        <location line="+687"/>
        <source>自动</source>
        <translation>Auto</translation>
    </message>
    <message>
        <location line="-680"/>
        <location line="+687"/>
        <source>监听范围</source>
        <translation>Listen on</translation>
    </message>
    <message>
        <location line="-677"/>
        <source>开始监听</source>
        <translation>Listen</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>客户端列表（最多10个）</source>
        <translation>Clients (at most 10)</translation>
    </message>
    <message>
        <location line="+25"/>
        <source>编号</source>
        <translation>No.</translation>
    </message>
    <message>
        <location line="+5"/>
        <location line="+275"/>
        <location line="+402"/>
        <source>IP地址</source>
        <translation>IP address</translation>
    </message>
    <message>
        <location line="-672"/>
        <location line="+342"/>
        <location line="+402"/>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <location line="-736"/>
        <source>断开所选客户端</source>
        <translation>Disconnect client</translation>
    </message>
    <message>
        <location line="+10"/>
        <location line="+354"/>
        <location line="+395"/>
        <source>接收设置</source>
        <translation>Receive</translation>
    </message>
    <message>
        <location line="-737"/>
        <location line="+354"/>
        <location line="+395"/>
        <source>16进制显示</source>
        <translation>Show hex</translation>
    </message>
    <message>
        <location line="-742"/>
        <location line="+354"/>
        <location line="+395"/>
        <source>接收数据到文件:</source>
        <translation>Receive to file:</translation>
    </message>
    <message>
        <location line="-719"/>
        <location line="+354"/>
        <location line="+395"/>
        <source>数据日志</source>
        <translation>Log</translation>
    </message>
    <message>
        <location line="-719"/>
        <location line="+354"/>
        <location line="+395"/>
        <source>接收：0 字节    发送：0 字节</source>
        <translation>Received: 0 bytes    Sent: 0 bytes</translation>
    </message>
    <message>
        <location line="-729"/>
        <location line="+354"/>
        <location line="+395"/>
        <source>清空统计</source>
        <translation>Reset counters</translation>
    </message>
    <message>
        <location line="-742"/>
        <location line="+354"/>
        <location line="+395"/>
        <source>清空日志</source>
        <translation>Clear log</translation>
    </message>
    <message>
        <location line="-737"/>
        <location line="+354"/>
        <location line="+395"/>
        <source>发送区</source>
        <translation>Send</translation>
    </message>
    <message>
        <location line="-738"/>
        <source>发送至</source>
        <translation>Send to</translation>
    </message>
    <message>
        <location line="+17"/>
        <location line="+337"/>
        <location line="+395"/>
        <source>16进制发送</source>
        <translation>Send hex</translation>
    </message>
    <message>
        <location line="-729"/>
        <location line="+337"/>
        <location line="+395"/>
        <source>例如输入1A，则发送的数据为0x1A</source>
        <translation>Typing 1A sends the byte 0x1A</translation>
    </message>
    <message>
        <location line="-725"/>
        <location line="+337"/>
        <location line="+395"/>
        <source>定时发送</source>
        <translation>Auto send</translation>
    </message>
    <message>
        <location line="-706"/>
        <location line="+337"/>
        <location line="+395"/>
        <source>毫秒</source>
        <translation>ms</translation>
    </message>
    <message>
        <location line="-712"/>
        <location line="+337"/>
        <location line="+395"/>
        <source>清空发送区</source>
        <translation>Clear</translation>
    </message>
    <message>
        <location line="-725"/>
        <location line="+337"/>
        <location line="+395"/>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <location line="-717"/>
        <source>TCP客户端</source>
        <translation>TCP client</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>连接设置</source>
        <translation>Connection</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>服务器</source>
        <translation>Server</translation>
    </message>
    <message>
        <location line="+13"/>
        <location line="+402"/>
        <source>主机名</source>
        <translation>Host name</translation>
    </message>
    <message>
        <location line="-346"/>
        <location line="+402"/>
        <source>例如 localhost</source>
        <translation>e.g. localhost</translation>
    </message>
    <message>
        <location line="-371"/>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <location line="+217"/>
        <source>UDP</source>
        <translation>UDP</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>本地设置</source>
        <translation>Local</translation>
    </message>
    <message>
        <location line="+45"/>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>目标地址</source>
        <translation>Target</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>目标</source>
        <translation>Target</translation>
    </message>
</context>
<context>
    <name>ParameterView</name>
    <message>
        <location filename="../car/paramview.ui" line="+16"/>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>数值</source>
        <translation>Value</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>最小值</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>最大值</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>步长</source>
        <translation>Step</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>小数位</source>
        <translation>Decimals</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>小车回传</source>
        <translation>Car reports</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>上移</source>
        <translation>Move up</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>下移</source>
        <translation>Move down</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>打开参数</source>
        <translation>Open parameters</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>保存参数</source>
        <translation>Save parameters</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>发送方式</source>
        <translation>Send as</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>文本模板</source>
        <translation>Text template</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>二进制帧</source>
        <translation>Binary frame</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>%name 名称，%value 数值，%index 序号，%% 百分号；转义 \n \r \t \\ \0 \xHH</source>
        <translation>%name name, %value value, %index index, %% percent sign; escapes \n \r \t \\ \0 \xHH</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>发送全部</source>
        <translation>Send all</translation>
    </message>
</context>
<context>
    <name>ScopeView</name>
    <message>
        <location filename="../scope/scopeview.ui" line="+47"/>
        <source>鼠标移到图上查看数值；单击放置光标A，Shift+单击放置光标B，Esc 清除光标</source>
        <translation>Move the mouse over the plot to read values; a click places cursor A, Shift+click cursor B, Esc removes them</translation>
    </message>
    <message>
        <location line="+37"/>
        <source>测量</source>
        <translation>Measure</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>范围</source>
        <translation>Range</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>可见范围</source>
        <translation>Visible range</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>光标之间</source>
        <translation>Between cursors</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>全部数据</source>
        <translation>All data</translation>
    </message>
    <message>
        <location line="+24"/>
        <location line="+91"/>
        <source>通道</source>
        <translation>Channel</translation>
    </message>
    <message>
        <location line="-86"/>
        <source>光标A</source>
        <translation>Cursor A</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>光标B</source>
        <translation>Cursor B</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>差值</source>
        <translation>Difference</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>最小</source>
        <translation>Min</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>最大</source>
        <translation>Max</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>平均</source>
        <translation>Mean</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>有效值</source>
        <translation>RMS</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>峰峰值</source>
        <translation>Peak-peak</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>频率</source>
        <translation>Frequency</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>触发</source>
        <translation>Trigger</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>模式</source>
        <translation>Mode</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>关闭</source>
        <translation>Off</translation>
    </message>
    <message>
        <location line="+5"/>
        <location line="+104"/>
        <source>自动</source>
        <translation>Auto</translation>
    </message>
    <message>
        <location line="-99"/>
        <source>常规</source>
        <translation>Normal</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>单次</source>
        <translation>Single</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>边沿</source>
        <translation>Edge</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>上升沿</source>
        <translation>Rising</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>下降沿</source>
        <translation>Falling</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>双沿</source>
        <translation>Both</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>电平</source>
        <translation>Level</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>触发前</source>
        <translation>Pre-trigger</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>迟滞</source>
        <translation>Hysteresis</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>电平两侧的回差：信号须先越过它才会再次触发。0 为自动：Y 轴范围的 2%</source>
        <translation>Hysteresis around the level: the signal must pass it on the other side before an edge counts again. 0 is automatic: 2 % of the Y span</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>重新触发</source>
        <translation>Re-arm</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>时基与XY</source>
        <translation>Time base and XY</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>采样率</source>
        <translation>Sample rate</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>每秒样本数；0 为按数据到达的时间实测</source>
        <translation>Samples per second; 0 measures it from when the samples arrive</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>实测</source>
        <translation>Measured</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>X通道</source>
        <translation>X channel</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Y通道</source>
        <translation>Y channel</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>background-color: rgb(255, 0, 0);</source>
        <translation>background-color: rgb(255, 0, 0);</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>波形1</source>
        <translation>CH1</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>background-color: rgb(0, 85, 255);</source>
        <translation>background-color: rgb(0, 85, 255);</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>波形2</source>
        <translation>CH2</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>background-color:rgb(100,100, 0);</source>
        <translation>background-color:rgb(100,100, 0);</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>波形3</source>
        <translation>CH3</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>background-color: rgb(0, 170, 0);</source>
        <translation>background-color: rgb(0, 170, 0);</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>波形4</source>
        <translation>CH4</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>background-color: rgb(255, 0, 127);</source>
        <translation>background-color: rgb(255, 0, 127);</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>波形5</source>
        <translation>CH5</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>background-color: rgb(85, 0, 127);</source>
        <translation>background-color: rgb(85, 0, 127);</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>波形6</source>
        <translation>CH6</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>background-color: rgb(170, 255, 0);</source>
        <translation>background-color: rgb(170, 255, 0);</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>波形7</source>
        <translation>CH7</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>background-color: rgb(255, 170, 0);</source>
        <translation>background-color: rgb(255, 170, 0);</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>波形8</source>
        <translation>CH8</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>波形数目</source>
        <translation>Channels</translation>
    </message>
    <message>
        <location line="+24"/>
        <source>数据类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>自动追踪</source>
        <translation>Follow</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>Y放大</source>
        <translation>Y zoom in</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Y缩小</source>
        <translation>Y zoom out</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Y归0</source>
        <translation>Y reset</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>X放大</source>
        <translation>X zoom in</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>X缩小</source>
        <translation>X zoom out</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>导入</source>
        <translation>Import</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>暂停</source>
        <translation>Hold</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>保存图片</source>
        <translation>Save picture</translation>
    </message>
    <message>
        <location line="+11"/>
        <source>显示</source>
        <translation>Display</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>波形</source>
        <translation>Waveform</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>频谱</source>
        <translation>Spectrum</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>XY</source>
        <translation>XY</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>测量与触发</source>
        <translation>Measure and trigger</translation>
    </message>
</context>
<context>
    <name>StepView</name>
    <message>
        <location filename="../car/stepview.ui" line="+11"/>
        <source>设定值</source>
        <translation>Set-point</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>响应</source>
        <translation>Response</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>稳定带</source>
        <translation>Band</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>2%</source>
        <translation>2%</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>5%</source>
        <translation>5%</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>最小阶跃</source>
        <translation>Minimum step</translation>
    </message>
    <message>
        <location line="+49"/>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>起点</source>
        <translation>From</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>终点</source>
        <translation>To</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>延迟</source>
        <translation>Delay</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>上升时间</source>
        <translation>Rise time</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>超调</source>
        <translation>Overshoot</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>调节时间</source>
        <translation>Settling time</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>稳态误差</source>
        <translation>Steady-state error</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>参数</source>
        <translation>parameters</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
</context>
<context>
    <name>UartTab</name>
    <message>
        <location filename="../uart/uarttab.ui" line="+11"/>
        <source>串口设置</source>
        <translation>Serial settings</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>数据位</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>校验位</source>
        <translation>Parity</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>停止位</source>
        <translation>Stop bits</translation>
    </message>
    <message>
        <location line="+17"/>
        <source>打开串口</source>
        <translation>Open port</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>断开不提示出错</source>
        <translation>No unplug alerts</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>出错重连</source>
        <translation>Reconnect</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>流控</source>
        <translation>Flow control</translation>
    </message>
    <message>
        <location line="+51"/>
        <source>接收区</source>
        <translation>Receive</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>16进制显示</source>
        <translation>Show hex</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>接收回发</source>
        <translation>Echo back</translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+619"/>
        <source>发送的内容都在接收区显示</source>
        <translation>Show what is sent in the receive area</translation>
    </message>
    <message>
        <location line="-612"/>
        <source>绘图</source>
        <translation>Plot</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>绘图时如何读接收的数据</source>
        <translation>How the plot reads the received data</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>文本行</source>
        <translation>Text lines</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>JustFloat</source>
        <translation>JustFloat</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>自定义帧</source>
        <translation>Custom frames</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>帧格式…</source>
        <translation>Frame format…</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>接收数据到文件:</source>
        <translation>Receive to file:</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>清接收区</source>
        <translation>Clear</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>清空统计</source>
        <translation>Reset counters</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>发送区</source>
        <translation>Send</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>单项发送</source>
        <translation>Single</translation>
    </message>
    <message>
        <location line="+11"/>
        <location line="+82"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <source>16进制发送</source>
        <translation>Send hex</translation>
    </message>
    <message>
        <location line="-322"/>
        <source>例如输入1A，则发送的数据为0x1A</source>
        <translation>Typing 1A sends the byte 0x1A</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>定时发送</source>
        <translation>Auto send</translation>
    </message>
    <message>
        <location line="+29"/>
        <location line="+331"/>
        <source>毫秒</source>
        <translation>ms</translation>
    </message>
    <message>
        <location line="-324"/>
        <source>清空发送区</source>
        <translation>Clear</translation>
    </message>
    <message>
        <location line="+7"/>
        <location line="+36"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <location line="-269"/>
        <source>多项发送</source>
        <translation>Presets</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <location line="+10"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <location line="+27"/>
        <source>hex</source>
        <translation>hex</translation>
    </message>
    <message>
        <location line="-226"/>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>4</source>
        <translation>4</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>6</source>
        <translation>6</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>7</source>
        <translation>7</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>8</source>
        <translation>8</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>9</source>
        <translation>9</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>10</source>
        <translation>10</translation>
    </message>
    <message>
        <location line="+29"/>
        <source>循环发送</source>
        <translation>Cycle</translation>
    </message>
    <message>
        <location line="+46"/>
        <location line="+53"/>
        <source>发送文件</source>
        <translation>Send file</translation>
    </message>
    <message>
        <location line="-42"/>
        <source>打开文件</source>
        <translation>Open file</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>每次发送字节数：</source>
        <translation>Bytes per send:</translation>
    </message>
    <message>
        <location line="+3"/>
        <location line="+7"/>
        <source>值为0表示一次发送整个文件。</source>
        <translation>0 sends the whole file at once.</translation>
    </message>
    <message>
        <location line="+32"/>
        <source>发送间隔时间(ms)：</source>
        <translation>Interval (ms):</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>小提示</source>
        <translation>Tips</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>1.每次发送字节数设为0时表示连续发送整个文件。
2.发送间隔时间设为0时表示连续发送整个文件。
3.支持回显功能。
</source>
        <translation>1. 0 bytes per send sends the whole file at once.
2. An interval of 0 sends the whole file at once.
3. Echo works here too.
</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>发送新行</source>
        <translation>New line</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>回显</source>
        <translation>Echo</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>发送完自动清空</source>
        <translation>Clear after send</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>输入内容都直接发送出去</source>
        <translation>Whatever is typed is sent as it is</translation>
    </message>
</context>
</TS>
