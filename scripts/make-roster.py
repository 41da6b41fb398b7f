#!/usr/bin/env python3
"""Writes an invented roster of one grade as a GB18030 CSV file.

The first line is the caption (padded with commas to the roster's width),
the second the headers 考号, 姓名, 性别, 学校, 语文, 数学, 英语, 总分, then one
line per student. The same seed and size always give the same bytes.
"""
import argparse
import random
import sys

SURNAMES = "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛郝龚邵万钱严覃武戴莫孔向汤"
GIVEN = "子涵欣怡梓轩浩宇一诺雨桐宇轩若汐思远嘉怡俊杰晨曦佳琪明轩诗涵博文紫萱皓然雅琳泽宇雨萱天佑梦瑶宏伟静怡志强晓彤家豪婉清"
GIVEN_WORDS = [GIVEN[i:i + 2] for i in range(0, len(GIVEN) - 1, 2)]
SCHOOLS = ["城东中学", "城西中学", "实验中学", "第一中学", "第二中学", "南山中学", "北湖中学", "青石中学"]
HEADERS = ["考号", "姓名", "性别", "学校", "语文", "数学", "英语", "总分"]


def roster_lines(size, seed, caption):
    rng = random.Random(seed)
    yield caption + "," * (len(HEADERS) - 1)
    yield ",".join(HEADERS)
    for i in range(size):
        exam = "2026%05d" % (i + 1)
        given = GIVEN_WORDS[rng.randrange(len(GIVEN_WORDS))]
        name = rng.choice(SURNAMES) + (given if rng.random() < 0.8 else given[0])
        sex = rng.choice(("男", "女"))
        school = rng.choice(SCHOOLS)
        scores = [max(0, min(150, int(rng.gauss(98, 22)))) for _ in range(3)]
        yield ",".join([exam, name, sex, school] + [str(s) for s in scores] + [str(sum(scores))])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-n", "--size", type=int, default=600, help="number of students (default 600)")
    parser.add_argument("-s", "--seed", type=int, default=2026, help="random seed (default 2026)")
    parser.add_argument("-c", "--caption", default="2026级新生名单", help="the roster's caption")
    parser.add_argument("-o", "--output", help="output file (default: standard output)")
    args = parser.parse_args()
    if args.size < 0:
        parser.error("the size cannot be negative")
    data = "".join(line + "\r\n" for line in roster_lines(args.size, args.seed, args.caption))
    data = data.encode("gb18030")
    if args.output:
        with open(args.output, "wb") as f:
            f.write(data)
    else:
        sys.stdout.buffer.write(data)


if __name__ == "__main__":
    main()
