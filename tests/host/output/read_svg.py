# Parses an SVG file as XML and prints one tab-separated line per element:
#   <tag> <attribute>=<value>... text=<text>
import sys
import xml.etree.ElementTree as ET

sys.stdout.reconfigure(encoding="utf-8")
for element in ET.parse(sys.argv[1]).getroot().iter():
    tag = element.tag.split("}")[-1]
    fields = [f"{k}={v}" for k, v in sorted(element.attrib.items())]
    if element.text and element.text.strip():
        fields.append(f"text={element.text}")
    print("\t".join([tag] + fields))
