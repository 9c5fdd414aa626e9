#!/usr/bin/env python3
"""Writes the bundled sample corpus: a few dozen plain-text and HTML documents
in GBK, UTF-8 and Big5, Chinese and English, all written by this project.

usage: make-sample-docs.py <output-directory>
"""
import os
import sys

CHINESE = [
    "全文索引把文档切分成词语，再为每个词语记录它出现在哪些文档的哪些位置。查询时只需要找到词语对应的文档列表，就能很快得到结果。",
    "图书馆的管理员每天早上整理新到的报纸和杂志，把它们按照日期排列在阅览室的书架上，读者可以随时借阅。",
    "今年秋天的雨水比往年多，城市里的公园却因此更加安静，散步的人们撑着伞，沿着湖边慢慢地走。",
    "中国的茶文化历史悠久，绿茶清香，红茶醇厚，乌龙茶介于两者之间，不同地区的人们有着不同的饮茶习惯。",
    "这个系统在夜间自动运行，读取数据库中新增加的记录，把网页、邮件和聊天内容写入索引，第二天早上就可以检索。",
    "计算机网络把世界各地的电脑连接在一起，人们通过电子邮件和即时通信工具交流信息，工作效率大大提高。",
    "火车从北京出发，经过天津和济南，晚上到达上海。车厢里的旅客有的在看书，有的在聊天，还有的在窗边欣赏风景。",
    "学习一门外语需要坚持，每天读一点、听一点、写一点，日积月累，就能看懂报纸上的文章，也能和别人自由交流。",
    "数据压缩可以减少存储空间，但是会增加计算的时间。设计索引格式的时候，需要在速度和空间之间找到平衡。",
    "春节是中国最重要的传统节日，家家户户贴春联、包饺子、放鞭炮，远在外地工作的人们也会赶回家和亲人团聚。",
    "医生提醒大家注意休息，多喝水，少熬夜，适当运动，保持良好的心情，这样才能拥有健康的身体。",
    "软件工程师在发布新版本之前，要运行全部的测试，检查日志中的错误信息，确保用户升级以后数据不会丢失。",
]

TRADITIONAL = [
    "臺灣的夜市非常熱鬧，各種小吃應有盡有，遊客們一邊品嘗美食，一邊欣賞街頭藝人的表演。",
    "圖書館的電腦系統可以查詢書籍的位置，讀者輸入書名或作者，就能知道這本書放在哪一個書架上。",
    "這個程式每天晚上自動建立索引，把新的文件加入資料庫，使用者第二天早上就能搜尋到最新的內容。",
    "香港的港口船隻往來頻繁，貨物從世界各地運到這裡，再轉運到內地的各個城市。",
]

ENGLISH = [
    "An inverted index maps every word to the list of documents that contain it, together with the positions "
    "where the word occurs. Answering a query then means reading a few short lists instead of scanning every document.",
    "The night shift at the printing works started at ten. By midnight the presses were running at full speed, "
    "and the smell of fresh ink filled the long hall where the morning papers were folded and stacked.",
    "Segments are written once and never changed. New documents go into new segments, and a background policy "
    "merges segments of similar size so that the number of files stays small while writes stay cheap.",
    "The harbour was quiet in the early morning. Fishing boats came back one by one, and the gulls followed them "
    "in wide circles, waiting for the first crates of the day to be carried onto the pier.",
    "A good operator reads the logs before anything else. Every run writes its progress, its warnings and its "
    "errors with the time of day, so a failure at three in the morning can be understood over breakfast.",
    "Compression trades processor time for disk space. Short stored abstracts compress well because natural "
    "language repeats itself, while numbers and identifiers hardly shrink at all.",
    "The mountain road climbed through pine forests and small villages. At every turn the valley opened a little "
    "more, until the whole lake lay below, blue and still under the afternoon sun.",
    "Crash safety means that a power cut at any moment leaves either the old index or the new one on disk, "
    "never a mixture. Files are written under temporary names and renamed into place only when complete.",
    "Learning to cook is mostly learning to wait: onions need time to soften, bread needs time to rise, and a "
    "good stock needs hours on a low flame before it tastes of anything at all.",
    "Search engines record the words people type. Collected over a day, those queries show what a community "
    "cared about: the weather, the news, a football match, or the price of rice.",
]

HTML_PAGE = """<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset={charset}">
<title>{title}</title>
<style>body {{ font-family: serif; }}</style>
<script>var visits = 0; function count() {{ visits++; }}</script>
</head>
<body>
<h1>{title}</h1>
<!-- navigation is not part of the text -->
<p>{first}</p>
<p>{second}&nbsp;{third}</p>
<div><a href="index.html">{link}</a></div>
</body>
</html>
"""


def write(path, text, encoding):
    with open(path, "wb") as out:
        out.write(text.encode(encoding))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    for sub in ("zh/gbk", "zh/utf8", "zh/big5", "en/text", "en/html", "zh/html"):
        os.makedirs(os.path.join(root, sub), exist_ok=True)

    # Plain Chinese text: each paragraph with its two neighbours, so every file
    # is well over the 200 bytes its encoding is recognised by.
    for i, paragraph in enumerate(CHINESE):
        text = "\n\n".join(CHINESE[(i + k) % len(CHINESE)] for k in range(3)) + "\n"
        write(os.path.join(root, "zh/gbk", "doc%02d.txt" % i), text, "gbk")
        write(os.path.join(root, "zh/utf8", "doc%02d.txt" % i), text, "utf-8")
    # Big5 double bytes pass the GBK test too, so plain Big5 text would be read
    # as GBK: Big5 documents are pages that name their charset.
    for i, paragraph in enumerate(TRADITIONAL):
        page = HTML_PAGE.format(charset="big5", title="文件%d" % i, first=paragraph,
                                second=TRADITIONAL[(i + 1) % len(TRADITIONAL)], third="", link="首頁")
        write(os.path.join(root, "zh/big5", "doc%02d.html" % i), page, "big5")
    for i, paragraph in enumerate(ENGLISH):
        write(os.path.join(root, "en/text", "note%02d.txt" % i), paragraph + "\n", "ascii")
        page = HTML_PAGE.format(charset="utf-8", title="Note %d" % i, first=paragraph,
                                second=ENGLISH[(i + 1) % len(ENGLISH)], third="", link="Back")
        write(os.path.join(root, "en/html", "note%02d.html" % i), page, "ascii")
    for i in range(0, len(CHINESE), 2):
        for charset, encoding in (("gbk", "gbk"), ("utf-8", "utf-8")):
            page = HTML_PAGE.format(charset=charset, title="文章%d" % i, first=CHINESE[i],
                                    second=CHINESE[i + 1], third="", link="返回首页")
            write(os.path.join(root, "zh/html", "page%02d-%s.htm" % (i, encoding)), page, encoding)
    page = HTML_PAGE.format(charset="big5", title="新聞", first=TRADITIONAL[0], second=TRADITIONAL[1],
                            third=TRADITIONAL[2], link="首頁")
    write(os.path.join(root, "zh/html", "news-big5.html"), page, "big5")


if __name__ == "__main__":
    main()
