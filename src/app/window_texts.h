#pragma once
// The window's own texts, UTF-8.

#include <string_view>

namespace qm318::texts {

inline constexpr char16_t kInfoCaption[] = u"信息：";
inline constexpr char16_t kRezCaption[] = u"REZ解包路径";
inline constexpr char16_t kRezHelpCaption[] = u"REZ解包路径设置方法";

inline constexpr char16_t kDataFileMissingAtStart[] = u"请先把 QM318.LTA 和软件放再同一目录下";
inline constexpr char16_t kDataFileMissingAtLoad[] = u"请先复制CF的 QM318.LTA 到软件运行目录";
inline constexpr char16_t kRezPathWrongAtStart[] =
    u"REZ解包路径不正确 没有找到DUST2.DAT \r\n请重新设置REZ解包路径";
inline constexpr char16_t kRezSaved[] = u"保存成功 ";
inline constexpr char16_t kRezSaveFailed[] =
    u"保存失败 无法写入 REZ解包路径.txt\r\n请检查软件运行目录是否可写";
inline constexpr char16_t kRezHelp[] =
    u"REZ解包路径下 没有找到DUST2.DAT\r\n\r\n请输入正确的REZ解包路径\r\n\r\n"
    u"==================================\r\n列：\r\n\r\n把【REZ】 【REZ2】 【REZ3】\r\n\r\n"
    u"这3个文件夹的所有REZ 都解包到\r\n\r\nD盘 的 解包文件夹 "
    u"里\r\n\r\n那么【REZ解包路径】就是\r\n\r\n"
    u"D:\\解包\r\n\r\n==================================";

// The caption as the program stores it: the GBK bytes of "QM318读取工具 v1.1     BY:青石匠",
// percent-encoded.
inline constexpr std::string_view kStoredCaption =
    "QM318%b6%c1%c8%a1%b9%a4%be%df+v1.1+++++BY%3a%c7%e0%ca%af%bd%b3";
inline constexpr char16_t kDesignedCaption[] = u"QM318读取工具 v1.1     BY:青石匠";
// The search box's hint, GBK: "模糊搜索_请输入关键词".
inline constexpr std::string_view kCueBannerGbk =
    "\xc4\xa3\xba\xfd\xcb\xd1\xcb\xf7_\xc7\xeb\xca\xe4\xc8\xeb\xb9\xd8\xbc\xfc\xb4\xca";

inline constexpr char16_t kRezPlaceholderOfOldVersions[] = u"请先输入REZ资源路径 点击保存";
inline constexpr char16_t kEnterCorrectPath[] = u"请输入正确路径 ";
inline constexpr char16_t kCfRootNeeded[] =
    u"请输入CF资源解包的根目录路径\r\n如我把所有的CF模型和贴图包含文件夹 都解包放在 D盘 的 解包 "
    u"文件夹里\r\n那么解包的根目录路径就是\r\nD:\\解包";
inline constexpr char16_t kNoWeaponSelected[] = u"当前没选中武器 请选择后再尝试";
inline constexpr char16_t kChooseFolder[] = u"选择文件夹";
inline constexpr char16_t kNoExportFolder[] = u"你没有选择导出路径 请重试";

// Loads that cannot be made: the table stays empty and the window says why.
inline constexpr char16_t kDataFileNeedsMoreMemory[] =
    u"内存不足 无法载入QM318.LTA\r\n请关闭其他程序后再点击载入";
inline constexpr char16_t kDataFileTooLarge[] = u"QM318.LTA 太大 无法载入";

inline constexpr char16_t kSearchTypes[4][8] = {u"武器名称", u"索引", u"类型", u"PV-模型路径"};

}  // namespace qm318::texts
