"""Prints every property of every card of a vCard file as python-vobject, a parser of its own,
reads it: "NAME;PARAM=VALUE,... JSON" lines, sorted, "END" after each card; TYPE values in
capitals, since their case means nothing. Run by command_export_test with /usr/bin/python3."""
import json
import sys

import vobject


def value(prop):
    v = prop.value
    if prop.name == 'N':
        return [v.family, v.given, v.additional, v.prefix, v.suffix]
    if prop.name == 'ADR':
        return [v.box, v.extended, v.street, v.city, v.region, v.code, v.country]
    return v


sys.stdout.reconfigure(encoding='utf-8', newline='\n')
with open(sys.argv[1], encoding='utf-8', newline='') as f:
    for card in vobject.readComponents(f.read(), validate=True):
        lines = []
        for prop in card.getChildren():
            params = ''.join(';%s=%s' % (k, ','.join(x.upper() if k == 'TYPE' else x for x in v))
                             for k, v in sorted(prop.params.items()))
            lines.append(prop.name + params + ' ' + json.dumps(value(prop), ensure_ascii=False))
        print('\n'.join(sorted(lines)))
        print('END')
