#!/usr/bin/env python3
"""Checks every index of the Jet 4 fixtures against keys built by the mdb library.

Until the engine reads table definitions and rows, this script is the cross-check of the key
builder against Access: it reads each table definition itself (columns, physical indexes and
their root pages), the rows with mdb-export (mdbtools), builds every row's key with the library
(through a tiny program compiled against BUILD/src/libmdb.a) and compares, per index, the
multiset of keys with the entries found from the root page (leftmost leaf, then next pages).
Row pointers are not compared (mdb-export does not give them); IgnoreNulls indexes skip
all-null keys. Exit status 1 on any mismatch.

Usage: python3 tests/mdb/scripts/check_index_keys.py [BUILD_DIR] [FIXTURE_DIR]
"""
import collections, datetime, glob, os, struct, subprocess, sys, tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, '..', '..', '..'))
BUILD = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, 'build')
FIX = sys.argv[2] if len(sys.argv) > 2 else os.path.normpath(os.path.join(ROOT, '..', 'shared', 'fixtures', 'mdb'))

# Reads lines "ncols (type asc kind value)..." and prints each key in hex. Kinds: n null,
# i integer, d double, b bool, t text (UTF-16 code units, 4 hex digits each, - for empty),
# g GUID (16 bytes as stored, hex), x binary (hex, - for empty).
KEY_TOOL = r"""
#include <iostream>
#include <sstream>
#include <cstdio>
#include "mdb/index_key.h"
// stdin: per line: ncols then per col: type asc kind value ; kind n=null i=int d=double t=hex-utf16le b=bool
int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        int n; in >> n;
        std::vector<mdb::KeyColumn> cols; std::vector<mdb::KeyValue> vals;
        for (int i = 0; i < n; ++i) {
            int type, asc; std::string kind, v; in >> type >> asc >> kind >> v;
            cols.push_back({"c", (std::uint8_t)type, asc != 0, {}});
            if (kind == "n") vals.push_back(std::monostate{});
            else if (kind == "i") vals.push_back((std::int64_t)std::stoll(v));
            else if (kind == "d") vals.push_back(std::stod(v));
            else if (kind == "b") vals.push_back(v == "1");
            else if (kind == "g" || kind == "x") { std::vector<std::uint8_t> b; if (v != "-") for (size_t k = 0; k + 1 < v.size(); k += 2) b.push_back((std::uint8_t)std::stoi(v.substr(k, 2), nullptr, 16));
                if (kind == "g") { mdb::Guid g{}; for (int k = 0; k < 16; ++k) g[k] = b[k]; vals.push_back(g); } else vals.push_back(b); }
            else { std::u16string s; if (v != "-") for (size_t k = 0; k + 3 < v.size() + 0 ; k += 4) s.push_back((char16_t)std::stoi(v.substr(k, 4), nullptr, 16)); vals.push_back(s); }
        }
        try { auto k = mdb::buildIndexKey(cols, vals); for (auto b : k) std::printf("%02x", b); std::printf("\n"); }
        catch (std::exception& e) { std::printf("ERR %s\n", e.what()); }
        std::fflush(stdout);
    }
}
"""


def build_key_tool():
    work = tempfile.mkdtemp()
    src, exe = os.path.join(work, 'keytool.cpp'), os.path.join(work, 'keytool')
    with open(src, 'w') as f:
        f.write(KEY_TOOL)
    subprocess.run(['g++', '-std=c++20', '-O1', '-I', os.path.join(ROOT, 'src'), src,
                    os.path.join(BUILD, 'src', 'libmdb.a'), '-o', exe], check=True)
    return exe


def pages(d): return len(d)//4096
def tdef_bytes(d, p):
    out=bytearray(d[p*4096:(p+1)*4096]); nxt=struct.unpack_from('<I',out,4)[0]; seen={p}
    while nxt and nxt not in seen:
        seen.add(nxt); pg=d[nxt*4096:(nxt+1)*4096]; out+=pg[8:]; nxt=struct.unpack_from('<I',pg,4)[0]
    return bytes(out)
def parse_tdef(t):
    ncols=struct.unpack_from('<H',t,45)[0]; nreal=struct.unpack_from('<I',t,51)[0]
    pos=63+12*nreal; cols=[]
    for i in range(ncols):
        b=t[pos:pos+25]; cols.append(dict(type=b[0],num=struct.unpack_from('<H',b,5)[0],sort=struct.unpack_from('<H',b,11)[0],ver=b[14],flags=b[15])); pos+=25
    for c in cols:
        n=struct.unpack_from('<H',t,pos)[0]; c['name']=t[pos+2:pos+2+n].decode('utf-16le'); pos+=2+n
    idx=[]
    for i in range(nreal):
        b=t[pos:pos+52]; kc=[]
        for k in range(10):
            cn,o=struct.unpack_from('<HB',b,4+3*k)
            if cn!=0xFFFF: kc.append((cn,o))
        root=struct.unpack_from('<I',b,4+30+4)[0]; flags=b[4+30+12]
        idx.append(dict(cols=kc,root=root,flags=flags)); pos+=52
    return cols, idx
def leaf_entries(d, root):
    # walk via next chain from leftmost leaf
    out=[]; p=root; seen=set()
    while True:
        pg=d[p*4096:(p+1)*4096]
        if pg[0]==3:
            es=page_entries(pg,False)
            p = es[0][2] if es else struct.unpack_from('<I',pg,20)[0]
            continue
        break
    while p and p not in seen:
        seen.add(p); pg=d[p*4096:(p+1)*4096]; out+= [ (k,r) for k,r,_ in page_entries(pg,True)]; p=struct.unpack_from('<I',pg,16)[0]
    return out
def page_entries(pg, leaf):
    plen=struct.unpack_from('<H',pg,24)[0]; out=[]; start=0; prefix=b''
    for bit in range(453*8):
        if pg[27+bit//8]>>(bit%8)&1:
            st=pg[480+start:480+bit]
            full = st if not out else prefix+st
            if not out: prefix=st[:plen]
            if leaf: out.append((full[:-4], full[-4:], None))
            else: out.append((full[:-8], full[-8:-4], struct.unpack('>I',full[-4:])[0]))
            start=bit
    return out
def parse_csv(s):
    rows=[]; row=[]; i=0; n=len(s)
    while i<n:
        if s[i]=='"':
            i+=1; v=[]
            while True:
                j=s.index('"',i)
                v.append(s[i:j]); i=j+1
                if i<n and s[i]=='"': v.append('"'); i+=1
                else: break
            row.append(('q',''.join(v)))
        else:
            j=i
            while j<n and s[j] not in ',\n': j+=1
            row.append(('u',s[i:j])); i=j
        if i<n and s[i]==',': i+=1
        elif i>=n or s[i]=='\n':
            rows.append(row); row=[]; i+=1
    return rows
kt=subprocess.Popen([build_key_tool()],stdin=subprocess.PIPE,stdout=subprocess.PIPE,text=True)
def key(cols_vals):
    parts=[str(len(cols_vals))]
    for (t,asc,kind,v) in cols_vals: parts+= [str(t),str(asc),kind,v]
    kt.stdin.write(' '.join(parts)+'\n'); kt.stdin.flush(); return kt.stdout.readline().strip()
tot=collections.Counter(); bad=collections.Counter()
for f in sorted(glob.glob(FIX+'/*.mdb')):
    d=open(f,'rb').read()
    if d[0x14]!=1: continue
    name=os.path.basename(f)
    tables=subprocess.run(['mdb-tables','-S','-1',f],capture_output=True,text=True).stdout.split('\n')
    objs=parse_csv(subprocess.run(['mdb-export','-b','hex','-0','~',f,'MSysObjects'],capture_output=True).stdout.decode('utf-8'))
    hdr=[v for _,v in objs[0]]
    ids={}
    for r in objs[1:]:
        rr=dict(zip(hdr,[v for _,v in r]))
        if rr.get('Type') in ('1',): ids[rr['Name']]=int(rr['Id'])&0xFFFFFF
    for tname in [t for t in tables if t]:
        if tname not in ids: continue
        cols,idxs=parse_tdef(tdef_bytes(d,ids[tname]))
        bynum={c['num']:c for c in cols}
        res=subprocess.run(['mdb-export','-b','hex','-0','~','-T','%Y-%m-%d %H:%M:%S',f,tname],capture_output=True)
        if res.returncode: print('export fail',name,tname); continue
        rows=parse_csv(res.stdout.decode('utf-8')); hdr=[v for _,v in rows[0]]
        for ii,ix in enumerate(idxs):
            kcols=[bynum[cn] for cn,o in ix['cols']]
            if any(c['type'] not in (1,2,3,4,8,9,10,12,15) for c in kcols): 
                print('skip',name,tname,ii,[c['type'] for c in kcols]); continue
            got=sorted(k.hex() for k,r in leaf_entries(d,ix['root']))
            exp=[]
            for r in rows[1:]:
                rr=dict(zip(hdr,r)); cv=[]
                if ix['flags']&2 and all(rr[c['name']]==('u','~') and c['type']!=1 for c in kcols): continue
                for (cn,o),c in zip(ix['cols'],kcols):
                    q,v=rr[c['name']]
                    if q=='u' and v=='~' and c['type']!=1: cv.append((c['type'],o,'n','-'))
                    elif c['type'] in (10,12): cv.append((c['type'],o,'t',''.join('%04x'%u for u in struct.unpack('>%dH'%(len(v.encode('utf-16be'))//2),v.encode('utf-16be'))) or '-'))
                    elif c['type']==1: cv.append((1,o,'b','1' if v=='1' else '0'))
                    elif c['type']==8:
                        dt=datetime.datetime.strptime(v,'%Y-%m-%d %H:%M:%S'); delta=dt-datetime.datetime(1899,12,30)
                        days=delta.days+delta.seconds/86400.0
                        if days<0: days=-(abs(delta.days)-1) - (1-delta.seconds/86400.0) if delta.seconds else delta.days
                        cv.append((8,o,'d',repr(days)))
                    elif c['type']==15:
                        h=v.strip('{}').replace('-','')
                        b=bytes.fromhex(h); st=b[3::-1]+b[5:3:-1]+b[7:5:-1]+b[8:]
                        cv.append((15,o,'g',st.hex()))
                    elif c['type']==9: cv.append((9,o,'x',v or '-'))
                    else: cv.append((c['type'],o,'i',v))
                exp.append(key(cv))
            exp.sort()
            kind='text' if any(c['type'] in (10,12) for c in kcols) else 'num'
            tot[(name,kind)]+=len(got)
            if got!=exp:
                bad[(name,kind)]+=1
                print('MISMATCH',name,tname,ii,[c['name'] for c in kcols],len(got),len(exp))
                for a,b in zip(got,exp):
                    if a!=b: print('  got',a,'\n  exp',b); break
for k in sorted(tot): print('%-30s %-4s entries %5d %s' % (k[0], k[1], tot[k], ('MISMATCHED INDEXES %d' % bad[k]) if bad[k] else 'all equal'))
sys.exit(1 if bad else 0)
